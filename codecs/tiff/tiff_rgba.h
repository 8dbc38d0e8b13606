// Files whose colours libtiff converts (CMYK, CIELab, YCbCr, old-style
// JPEG): read through its RGBA interface a band of rows at a time (a row of
// tiles, or the rows of a strip up to a row window) into a 24-bit image.
#pragma once

#include "codecs/tiff/tiff_layout.h"

class CNewDIBObject;

namespace velmora::tiff {

Failure ReadThroughRgba(TIFF* tif, const Layout& layout, CNewDIBObject& image, const ProgressReporter& reporter);

}  // namespace velmora::tiff
