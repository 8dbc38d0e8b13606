// Thumbnails: a 24-bit copy within a box, the picture's proportions kept.
#pragma once

#include "velmora/newdib.h"

namespace velmora::api {

// The size of the thumbnail of a width x height picture within boxWidth x
// boxHeight: scaled down to fit (never up), each side at least 1.
void ThumbnailSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight);

// Fills `out` with the thumbnail of `src`; false when a row window or the
// new image cannot be had.
bool MakeThumbnail(CNewDIB& src, int boxWidth, int boxHeight, CNewDIB* out);

}  // namespace velmora::api
