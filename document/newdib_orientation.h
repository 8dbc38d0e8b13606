// A picture stored turned or mirrored (Orientation values 2 to 8, from a
// TIFF tag or a JPEG's EXIF) brought upright after its rows are read, with
// the image's own flips and quarter turns, so images in page files are
// turned as any other.
#pragma once

#include "velmora/image_metadata.h"

class CNewDIB;

namespace velmora {

// 1 when the image is upright (also for 1 and values outside 2..8), 0 when a
// transform failed (a quarter turn finds no room for the second image).
int ApplyOrientation(CNewDIB& dib, int orientation);

// ApplyOrientation, then the EXIF block's Orientation set to 1 so that no
// file written from the upright image turns it a second time.
int OrientUpright(CNewDIB& dib, int orientation, ImageMetadata* metadata);

}  // namespace velmora
