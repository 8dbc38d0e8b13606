// Whether a 32-bit image carries alpha. The fourth byte of a 32-bit DIB is
// alpha only where something put it there: bitmaps without an alpha mask
// (BI_RGB, bit fields for three channels) leave it zero.
#pragma once

#include "velmora/newdibobject.h"

namespace velmora {

// True for a 32-bit image with a non-zero fourth byte anywhere (and, as the
// safe answer, when its rows cannot be mapped); false for other depths.
bool ImageHasAlpha(CNewDIBObject& image);

}  // namespace velmora
