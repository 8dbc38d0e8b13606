// A quarter turn of an image that does not lie in one row window, with disk
// traffic that grows linearly with the image.
#pragma once

#include "document/transform_rotate_kernel.h"
#include "frame/progress.h"

namespace velmora {

// Fills `dst` (the turned image, already created) from `src` through a
// scratch file in the virtual directory: the first pass reads the source
// once, window by window, and writes it as strips of source columns (every
// source row's slice of the strip, one after another); the second reads each
// strip as one block and turns it into its band of destination rows. Each
// byte is read and written twice, whatever the image's size; memory holds
// one strip and one chunk. False (nothing of `src` changed) when the scratch
// file or a window cannot be had.
bool FillTurnedImageByStrips(CNewDIBObject& src, CNewDIBObject& dst, const TurnGeometry& g,
                             const ProgressReporter& progress);

}  // namespace velmora
