// Scan lines whose pixels are spread over planes, and the DIB rows they
// become: four 1-bit planes (bit p of a pixel in plane p) against rows of
// 4-bit pixels, three 8-bit planes (red, green, blue) against rows of
// blue-green-red pixels.
#pragma once

#include <cstddef>

#include "velmora/wintypes.h"

namespace velmora::pcx {

// The first `width` pixels of a line of four planes of `planeBytes` each
// into a 4-bit row of `stride` bytes; the rest of the row is cleared.
void MergeFourPlanes(const BYTE* line, size_t planeBytes, int width, BYTE* row, size_t stride);
// A 4-bit row of `stride` bytes (every nibble, padding too) into four planes
// of stride / 4 bytes, plane 0 first.
void SplitFourPlanes(const BYTE* row, size_t stride, BYTE* planes);
// The first `width` pixels of a line of three planes of `planeBytes` each
// into a 24-bit row of `stride` bytes; the rest of the row is cleared.
void MergeThreePlanes(const BYTE* line, size_t planeBytes, int width, BYTE* row, size_t stride);

}  // namespace velmora::pcx
