// Where an image's pixels live: in memory, or in a page file when they are
// too large for the share of memory one image may use.
#pragma once

#include <cstdint>

namespace velmora {

// The size at and above which pixel data goes to a page file: the image use
// memory size when set, else the available memory shared among the load
// image number of images; never below total / 32. The load image number
// divides as an unsigned 32-bit number (a negative one leaves the floor);
// 0 counts as 1.
uint64_t PageFileThreshold(uint64_t useMemSize, int loadImageNumber, uint64_t totalPhys, uint64_t availPhys);

// The threshold decision for `dataSize` bytes, from the current settings and
// physical-memory figures.
bool ShouldUsePageFile(uint64_t dataSize);

// The divisor a window size or threshold is computed with: the load image
// number as an unsigned 32-bit number, 1 in place of 0.
uint64_t WindowDivisor(int loadImageNumber);

}  // namespace velmora
