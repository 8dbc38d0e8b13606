#include "codecs/tiff_samples.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

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

void SampleConverter::SetRange(const SampleRange& range) {
    m_low = range.low;
    m_scale = !range.empty && range.high > range.low ? 255.0 / (range.high - range.low) : 0.0;
}

template <class T>
void SampleConverter::StretchAs(const BYTE* row, BYTE* target) const {
    const bool noData = m_layout.hasNoData;
    ForTakenSamples([&](size_t to, size_t index) {
        const double v = ValueAt<T>(row, index);
        if (!std::isfinite(v) || (noData && v == m_noData)) {
            target[to] = 0;
            return;
        }
        target[to] = static_cast<BYTE>(std::clamp((v - m_low) * m_scale, 0.0, 255.0));
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
