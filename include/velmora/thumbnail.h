// Thumbnails: an image reduced to fit a box, filtered (area averaging, then
// a Lanczos-3 kernel), aspect ratio kept.
#pragma once

class CNewDIB;

// Makes `thumbnail` a 24-bit image of `source` that fits inside boxWidth x
// boxHeight with the source's aspect ratio (its longest side fills the box;
// a box larger than the image enlarges it). The source's rows are read once,
// top to bottom, through its row windows, so a page-file image of any size
// needs memory for one of its rows and a few times the thumbnail. Palette
// images are taken through their colour tables; the fourth byte of a 32-bit
// image is ignored. No progress messages are sent. Returns 1, or 0 (the
// thumbnail left empty) for a null or empty image, a box below 1 x 1, an
// unknown bit count, or storage that cannot be had. `source` is not changed.
int MakeThumbnail(CNewDIB* source, int boxWidth, int boxHeight, CNewDIB* thumbnail);

// The size MakeThumbnail gives an image of width x height for the box.
void FitThumbnailSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight);
