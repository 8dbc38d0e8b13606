// Thumbnails: an image reduced to fit a box, filtered (area averaging, then
// a Lanczos-3 kernel), aspect ratio kept.
#pragma once

class CNewDIB;

// Makes `thumbnail` a 24-bit image of `source` that fits inside boxWidth x
// boxHeight with the source's aspect ratio (its longest side fills the box;
// a box larger than the image enlarges it). The source's rows are read once,
// top to bottom, through its row windows, and the thumbnail's rows are
// stored as they are finished, so an image of any size needs working memory
// for one of its rows and a few of the thumbnail's (entered in the process
// memory budget) besides the thumbnail itself. Palette images are taken
// through their colour tables; the fourth byte of a 32-bit image is
// ignored. No progress messages are sent. Returns 1, or 0 (the thumbnail
// left empty) for a null or empty image, a box below 1 x 1, an unknown bit
// count, or storage or memory that cannot be had. `source` is not changed.
int MakeThumbnail(CNewDIB* source, int boxWidth, int boxHeight, CNewDIB* thumbnail);

// The same filtered resampling to exactly width x height (either way larger
// or smaller), keeping alpha: a 32-bit source whose fourth bytes are not all
// zero gives a 32-bit image, its colours averaged weighted by alpha (a
// transparent pixel lends no colour); other sources give 24-bit images.
// `resized` may be `source`. Returns 1, or 0 as MakeThumbnail. With
// FitThumbnailSize it makes thumbnails that keep alpha.
int MakeResized(CNewDIB* source, int width, int height, CNewDIB* resized);

// The size MakeThumbnail gives an image of width x height for the box.
void FitThumbnailSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight);
