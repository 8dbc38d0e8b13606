// Samples as libtiff decodes them (bit-packed integers of odd widths, 16 and
// 24-bit floats, 24-bit integers) widened to the type they read as.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velmora/raster.hpp"

namespace velmora::raster {

// Whether samples of `bits` bits in `format` are already in their type's
// layout once libtiff has decoded them (8, 16, 32 or 64-bit, not half).
bool NeedsUnpacking(uint16_t bits, uint16_t format);

// `count` samples from `in` (one row: packed from its first bit) into `out`,
// an array of `type`.
void UnpackSamples(const uint8_t* in, uint16_t bits, uint16_t format, size_t count, void* out, SampleType type);

// `count` samples of `type` at `out`, each `value` converted (0 when the
// type cannot hold it).
void FillSamples(void* out, size_t count, SampleType type, double value);

uint32_t HalfToFloatBits(uint16_t half);
uint32_t Float24ToFloatBits(uint32_t triple);

}  // namespace velmora::raster
