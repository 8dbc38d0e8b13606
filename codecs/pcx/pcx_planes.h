// Scan lines whose pixels are spread over planes, and the DIB rows they
// become: two to four 1-bit planes (bit p of a pixel in plane p) against
// rows of 4-bit pixels, three 8-bit planes (red, green, blue) against rows
// of blue-green-red pixels.
#pragma once

#include <cstddef>

#include "velmora/wintypes.h"

namespace velmora::pcx {

// The first `width` pixels of a line of `planes` (2 to 4) 1-bit planes of
// `planeBytes` each into a 4-bit row of `stride` bytes; bits of missing
// planes are 0, and the rest of the row is cleared.
void MergeBitPlanes(const BYTE* line, size_t planeBytes, int planes, int width, BYTE* row, size_t stride);
// A 4-bit row of `stride` bytes into four planes of `planeBytes` bytes,
// plane 0 first: 8 * planeBytes nibbles, those within the row as they are
// (padding too), those past it 0.
void SplitFourPlanes(const BYTE* row, size_t stride, size_t planeBytes, BYTE* planes);
// The first `width` pixels of a 24-bit row into three planes (red, green,
// blue) of `planeBytes` bytes each, the bytes past the width 0.
void SplitThreePlanes(const BYTE* row, int width, size_t planeBytes, BYTE* planes);
// The first `width` pixels of a line of three planes of `planeBytes` each
// into a 24-bit row of `stride` bytes; the rest of the row is cleared.
void MergeThreePlanes(const BYTE* line, size_t planeBytes, int width, BYTE* row, size_t stride);

}  // namespace velmora::pcx
