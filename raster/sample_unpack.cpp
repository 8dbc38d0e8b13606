#include "raster/sample_unpack.h"

#include <tiff.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace velmora::raster {

namespace {

// Sample `k` of a bit stream of `bits`-bit samples, first bit highest.
uint64_t BitField(const uint8_t* in, size_t k, unsigned bits) {
    uint64_t value = 0;
    size_t bit = k * bits;
    for (unsigned left = bits; left > 0;) {
        const unsigned offset = bit & 7;
        const unsigned take = left < 8 - offset ? left : 8 - offset;
        const unsigned byte = in[bit >> 3];
        value = (value << take) | ((byte >> (8 - offset - take)) & ((1u << take) - 1));
        bit += take;
        left -= take;
    }
    return value;
}

// Floats of 16 and 24 bits share one widening: sign, exponent of
// `expBits` with bias `bias`, mantissa of `manBits`.
uint32_t SmallFloatToFloatBits(uint32_t v, unsigned expBits, unsigned manBits, int bias) {
    const uint32_t sign = (v >> (expBits + manBits)) & 1u;
    int exponent = static_cast<int>((v >> manBits) & ((1u << expBits) - 1));
    uint32_t mantissa = v & ((1u << manBits) - 1);
    const int maxExponent = (1 << expBits) - 1;
    if (exponent == 0) {
        if (mantissa == 0) return sign << 31;
        // Denormal: normalize it.
        while (!(mantissa & (1u << manBits))) {
            mantissa <<= 1;
            --exponent;
        }
        ++exponent;
        mantissa &= ~(1u << manBits);
    } else if (exponent == maxExponent) {
        return (sign << 31) | 0x7f800000u | (mantissa << (23 - manBits));
    }
    return (sign << 31) | (static_cast<uint32_t>(exponent + 127 - bias) << 23) | (mantissa << (23 - manBits));
}

template <class T>
void StoreIntegers(const uint8_t* in, unsigned bits, bool isSigned, size_t count, T* out) {
    for (size_t k = 0; k < count; ++k) {
        // Integers of odd widths, 24 bits included, are a bit stream (as GDAL
        // writes and reads them); 24-bit floats are not.
        uint64_t v = BitField(in, k, bits);
        if (isSigned && bits < 64 && (v >> (bits - 1)) & 1) v |= ~uint64_t{0} << bits;
        out[k] = static_cast<T>(v);
    }
}

void StoreFloats(const uint8_t* in, unsigned bits, size_t count, float* out) {
    for (size_t k = 0; k < count; ++k) {
        uint32_t floatBits;
        if (bits == 16) {
            uint16_t half;
            std::memcpy(&half, in + 2 * k, 2);
            floatBits = HalfToFloatBits(half);
        } else {
            floatBits = Float24ToFloatBits(uint32_t{in[3 * k]} | uint32_t{in[3 * k + 1]} << 8 |
                                           uint32_t{in[3 * k + 2]} << 16);
        }
        std::memcpy(out + k, &floatBits, 4);
    }
}

template <class T>
void FillAs(void* out, size_t count, double value) {
    T v{};
    if constexpr (std::numeric_limits<T>::is_integer) {
        if (std::isfinite(value) && value >= static_cast<double>(std::numeric_limits<T>::lowest()) &&
            value <= static_cast<double>(std::numeric_limits<T>::max()))
            v = static_cast<T>(value);
    } else {
        v = static_cast<T>(value);
    }
    T* samples = static_cast<T*>(out);
    for (size_t k = 0; k < count; ++k) samples[k] = v;
}

}  // namespace

uint32_t HalfToFloatBits(uint16_t half) { return SmallFloatToFloatBits(half, 5, 10, 15); }
uint32_t Float24ToFloatBits(uint32_t triple) { return SmallFloatToFloatBits(triple, 7, 16, 63); }

bool NeedsUnpacking(uint16_t bits, uint16_t format) {
    if (format == SAMPLEFORMAT_IEEEFP && bits == 16) return true;
    return !(bits == 8 || bits == 16 || bits == 32 || bits == 64 || bits == 128);
}

void UnpackSamples(const uint8_t* in, uint16_t bits, uint16_t format, size_t count, void* out, SampleType type) {
    if (format == SAMPLEFORMAT_IEEEFP) return StoreFloats(in, bits, count, static_cast<float*>(out));
    const bool isSigned = format == SAMPLEFORMAT_INT;
    switch (type) {
    case SampleType::uint8: return StoreIntegers(in, bits, false, count, static_cast<uint8_t*>(out));
    case SampleType::int8: return StoreIntegers(in, bits, true, count, static_cast<int8_t*>(out));
    case SampleType::uint16: return StoreIntegers(in, bits, false, count, static_cast<uint16_t*>(out));
    case SampleType::int16: return StoreIntegers(in, bits, true, count, static_cast<int16_t*>(out));
    case SampleType::uint32: return StoreIntegers(in, bits, false, count, static_cast<uint32_t*>(out));
    case SampleType::int32: return StoreIntegers(in, bits, isSigned, count, static_cast<int32_t*>(out));
    default: return;
    }
}

void FillSamples(void* out, size_t count, SampleType type, double value) {
    switch (type) {
    case SampleType::uint8: return FillAs<uint8_t>(out, count, value);
    case SampleType::int8: return FillAs<int8_t>(out, count, value);
    case SampleType::uint16: return FillAs<uint16_t>(out, count, value);
    case SampleType::int16: return FillAs<int16_t>(out, count, value);
    case SampleType::uint32: return FillAs<uint32_t>(out, count, value);
    case SampleType::int32: return FillAs<int32_t>(out, count, value);
    case SampleType::uint64: return FillAs<uint64_t>(out, count, value);
    case SampleType::int64: return FillAs<int64_t>(out, count, value);
    case SampleType::float32: return FillAs<float>(out, count, value);
    case SampleType::float64: return FillAs<double>(out, count, value);
    default: std::memset(out, 0, count * sample_bytes(type)); return;
    }
}

}  // namespace velmora::raster
