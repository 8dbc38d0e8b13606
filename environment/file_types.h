// The library's own rule for a path's format, and the dialog filters' order.
#pragma once

#include "velmora/formats.h"

namespace velmora {

// The format code whose three-letter extension is `extension` (upper case,
// no dot), or -1. Aliases ("tiff") are not the library's rule.
int FormatCodeOf(const char* extension);

// The row listed at `position` (0 ..) of the dialog filters; null past the last.
const FileFormat* FormatInFilter(int position);

}  // namespace velmora
