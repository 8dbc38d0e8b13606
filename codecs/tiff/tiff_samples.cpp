#include "codecs/tiff/tiff_samples.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace velmora::tiff {

namespace {

template <class T>
double ValueAt(const BYTE* row, size_t index) {
    T value;
    std::memcpy(&value, row + index * sizeof(T), sizeof(T));
    return static_cast<double>(value);
}

// Unsigned samples of 9 to 15 bits, packed from the most significant bit.
uint32_t PackedValue(const BYTE* row, size_t index, unsigned bits) {
    const size_t bit = index * bits;
    uint32_t window = 0;
    for (size_t b = bit / 8; b <= (bit + bits - 1) / 8; ++b) window = window << 8 | row[b];
    const unsigned spare = static_cast<unsigned>(((bit + bits - 1) / 8 - bit / 8 + 1) * 8 - bit % 8 - bits);
    return (window >> spare) & ((1u << bits) - 1);
}

// Four floats at a time (the compiler's vector extension; plain loops with
// these selects are not vectorized at -O2).
typedef float Floats4 __attribute__((vector_size(16)));
typedef int32_t Masks4 __attribute__((vector_size(16)));

// The lowest and highest of `count` contiguous finite floats other than the
// no-data value, merged into `range`. Lanes keep their own extremes, so the
// result is the exact minimum and maximum whatever the order.
void MeasureFloats(const BYTE* row, size_t count, bool noData, float noDataValue, SampleRange* range) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    Floats4 low = Floats4{} + kInfinity, high = Floats4{} - kInfinity;
    const Masks4 checkNoData = Masks4{} + (noData ? -1 : 0);
    const Floats4 noDataLanes = Floats4{} + noDataValue;
    size_t x = 0;
    for (; x + 4 <= count; x += 4) {
        Floats4 v;
        std::memcpy(&v, row + x * sizeof(float), sizeof v);
        const Masks4 counted = ((v - v) == 0) & ~(checkNoData & (v == noDataLanes));  // NaN - NaN, inf - inf: NaN
        low = (counted & (v < low)) ? v : low;
        high = (counted & (v > high)) ? v : high;
    }
    float lowest = kInfinity, highest = -kInfinity;
    for (int lane = 0; lane < 4; ++lane) {
        lowest = std::min(lowest, low[lane]);
        highest = std::max(highest, high[lane]);
    }
    for (; x < count; ++x) {
        float v;
        std::memcpy(&v, row + x * sizeof(float), sizeof v);
        if (!std::isfinite(v) || (noData && v == noDataValue)) continue;
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    if (lowest > highest) return;
    *range = range->empty ? SampleRange{lowest, highest, false}
                          : SampleRange{std::min<double>(range->low, lowest), std::max<double>(range->high, highest), false};
}

typedef double Doubles2 __attribute__((vector_size(16)));
typedef int64_t Masks2 __attribute__((vector_size(16)));
typedef int32_t Ints2 __attribute__((vector_size(8)));

// `count` contiguous floats stretched as StretchAs does, two at a time in
// double precision (the same arithmetic, so the same bytes).
void StretchFloats(const BYTE* row, size_t count, bool noData, float noDataValue, double low, double scale,
                   BYTE* target) {
    const Masks2 checkNoData = Masks2{} + (noData ? -1 : 0);
    const Doubles2 noDataLanes = Doubles2{} + static_cast<double>(noDataValue);
    const Doubles2 zero = Doubles2{}, top = Doubles2{} + 255.0;
    size_t x = 0;
    for (; x + 2 <= count; x += 2) {
        float pair[2];
        std::memcpy(pair, row + x * sizeof(float), sizeof pair);
        const Doubles2 v = {pair[0], pair[1]};
        const Masks2 counted = ((v - v) == 0) & ~(checkNoData & (v == noDataLanes));
        Doubles2 t = (v - low) * scale;
        t = t < zero ? zero : t;
        t = top < t ? top : t;
        const Ints2 levels = __builtin_convertvector(counted ? t : zero, Ints2);  // truncates, as the cast does
        target[x] = static_cast<BYTE>(levels[0]);
        target[x + 1] = static_cast<BYTE>(levels[1]);
    }
    for (; x < count; ++x) {
        float v;
        std::memcpy(&v, row + x * sizeof(float), sizeof v);
        const bool counted = std::isfinite(v) && !(noData && v == noDataValue);
        target[x] = counted ? static_cast<BYTE>(std::clamp((v - low) * scale, 0.0, 255.0)) : 0;
    }
}

// Calls f.template operator()<T>() for the C type of the layout's stretched samples.
template <class F>
void WithSampleType(const Layout& layout, F&& f) {
    const bool fp = layout.sampleFormat == SAMPLEFORMAT_IEEEFP;
    const bool sign = layout.sampleFormat == SAMPLEFORMAT_INT;
    switch (layout.bitsPerSample) {
        case 16:
            f(int16_t{});
            break;
        case 32:
            if (fp) f(float{});
            else if (sign) f(int32_t{});
            else f(uint32_t{});
            break;
        default:
            if (fp) f(double{});
            else if (sign) f(int64_t{});
            else f(uint64_t{});
            break;
    }
}

}  // namespace

SampleConverter::SampleConverter(const Layout& layout, int samples)
    : m_layout(layout), m_samples(static_cast<size_t>(samples)),
      m_written(layout.channels == 3 ? 3 * size_t{layout.width} : size_t{layout.width}) {
    // The no-data value as the file's samples hold it.
    m_noData = layout.sampleFormat == SAMPLEFORMAT_IEEEFP && layout.bitsPerSample == 32
                   ? static_cast<double>(static_cast<float>(layout.noData))
                   : layout.noData;
}

template <class F>
void SampleConverter::ForTakenSamples(F&& f) const {
    const size_t width = m_layout.width;
    if (m_layout.channels == 1) {
        for (size_t x = 0; x < width; ++x) f(x, x * m_samples);
        return;
    }
    for (size_t x = 0; x < width; ++x) {
        const size_t at = x * m_samples;
        f(3 * x, at + 2);
        f(3 * x + 1, at + 1);
        f(3 * x + 2, at);
    }
}

// Kept branch-free where it can be: NaN and infinities fail the one range
// comparison, and the minimum and maximum are taken unconditionally.
template <class T>
void SampleConverter::MeasureAs(const BYTE* row, SampleRange* range) const {
    if constexpr (std::is_same_v<T, float>) {
        if (m_samples == 1) {
            MeasureFloats(row, m_layout.width, m_layout.hasNoData, static_cast<float>(m_noData), range);
            return;
        }
    }
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const bool noData = m_layout.hasNoData;
    double low = range->empty ? kInfinity : range->low;
    double high = range->empty ? -kInfinity : range->high;
    ForTakenSamples([&](size_t, size_t index) {
        const double v = ValueAt<T>(row, index);
        if (!(v > -kInfinity && v < kInfinity) || (noData && v == m_noData)) return;
        low = std::min(low, v);
        high = std::max(high, v);
    });
    if (low <= high) *range = SampleRange{low, high, false};
}

void SampleConverter::Measure(const BYTE* row, SampleRange* range) const {
    WithSampleType(m_layout, [&](auto type) { MeasureAs<decltype(type)>(row, range); });
}

// (v - low) * scale is NaN where the width overflows (a zero scale times an
// infinite difference) or is so small that the scale does (infinity times
// zero). Such ranges take the slower form; every other keeps the product.
void SampleConverter::SetRange(const SampleRange& range) {
    const double width = range.high - range.low;
    m_low = range.low;
    m_scale = !range.empty && range.high > range.low ? 255.0 / width : 0.0;
    m_ordinary = std::isfinite(width) && std::isfinite(m_scale);
    m_half = std::isfinite(width) ? 1.0 : 0.5;
    m_width = range.high * m_half - range.low * m_half;
}

double SampleConverter::Level(double v) const {
    const double level = m_ordinary ? (v - m_low) * m_scale : (v * m_half - m_low * m_half) / m_width * 255.0;
    return std::clamp(level, 0.0, 255.0);
}

template <class T>
void SampleConverter::StretchAs(const BYTE* row, BYTE* target) const {
    if constexpr (std::is_same_v<T, float>) {
        if (m_samples == 1 && m_ordinary) {
            StretchFloats(row, m_layout.width, m_layout.hasNoData, static_cast<float>(m_noData), m_low, m_scale,
                          target);
            return;
        }
    }
    const bool noData = m_layout.hasNoData;
    ForTakenSamples([&](size_t to, size_t index) {
        const double v = ValueAt<T>(row, index);
        if (!std::isfinite(v) || (noData && v == m_noData)) {
            target[to] = 0;
            return;
        }
        target[to] = static_cast<BYTE>(Level(v));
    });
}

void SampleConverter::ConvertHighBits(const BYTE* row, BYTE* target) const {
    const unsigned bits = m_layout.bitsPerSample;
    if (bits == 16) {
        ForTakenSamples([&](size_t to, size_t index) {
            uint16_t v;
            std::memcpy(&v, row + 2 * index, 2);
            target[to] = static_cast<BYTE>(v >> 8);
        });
        return;
    }
    ForTakenSamples([&](size_t to, size_t index) {
        target[to] = static_cast<BYTE>(PackedValue(row, index, bits) >> (bits - 8));
    });
}

void SampleConverter::ConvertBytes(const BYTE* row, BYTE* target) const {
    ForTakenSamples([&](size_t to, size_t index) { target[to] = row[index]; });
}

void SampleConverter::Convert(const BYTE* row, BYTE* target, size_t stride) const {
    size_t written = m_written;
    switch (m_layout.rule) {
        case SampleRule::Packed:
            written = std::min<size_t>((size_t{m_layout.width} * m_layout.bitsPerSample + 7) / 8, stride);
            std::memcpy(target, row, written);
            break;
        case SampleRule::Bytes:
            ConvertBytes(row, target);
            break;
        case SampleRule::HighBits:
            ConvertHighBits(row, target);
            break;
        case SampleRule::Stretch:
            WithSampleType(m_layout, [&](auto type) { StretchAs<decltype(type)>(row, target); });
            break;
        default:
            break;
    }
    std::memset(target + written, 0, stride - written);
}

}  // namespace velmora::tiff
