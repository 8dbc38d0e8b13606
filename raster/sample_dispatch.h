// Calls a generic function with a value of the C++ type a SampleType holds,
// so typed loops are written once for every type.
#pragma once

#include <cstdint>

#include "velmora/raster.hpp"

namespace velmora::raster {

// `f(T{})` for the type of `type`; false for complex types.
template <class F>
bool WithSampleType(SampleType type, F&& f) {
    switch (type) {
        case SampleType::uint8: f(uint8_t{}); return true;
        case SampleType::int8: f(int8_t{}); return true;
        case SampleType::uint16: f(uint16_t{}); return true;
        case SampleType::int16: f(int16_t{}); return true;
        case SampleType::uint32: f(uint32_t{}); return true;
        case SampleType::int32: f(int32_t{}); return true;
        case SampleType::uint64: f(uint64_t{}); return true;
        case SampleType::int64: f(int64_t{}); return true;
        case SampleType::float32: f(float{}); return true;
        case SampleType::float64: f(double{}); return true;
        default: return false;
    }
}

}  // namespace velmora::raster
