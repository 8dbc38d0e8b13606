// Decoded TIFF pixel rows into DIB rows: samples of 1 to 8 bits as they
// stand, wider unsigned samples by their high 8 bits, and signed, 32/64-bit
// and floating-point samples stretched linearly from the image's own range
// onto 0..255 (truncated). NaN, infinities and GDAL's no-data value read as 0
// and stay out of the range. Of each pixel the first sample (grey, palette)
// or the first three (RGB, written blue, green, red) are taken; further
// samples (alpha, more bands) are left out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/tiff/tiff_layout.h"

namespace velmora::tiff {

// The lowest and highest value of the samples measured so far.
struct SampleRange {
    double low = 0;
    double high = 0;
    bool empty = true;
};

class SampleConverter {
public:
    // `samples`: samples of each pixel in the rows it is given.
    SampleConverter(const Layout& layout, int samples);

    // Stretched samples need the range of the whole image first.
    bool NeedsRange() const { return m_layout.rule == SampleRule::Stretch; }
    void Measure(const BYTE* row, SampleRange* range) const;
    void SetRange(const SampleRange& range);

    // One decoded row into one DIB row of `stride` bytes; padding is cleared.
    void Convert(const BYTE* row, BYTE* target, size_t stride) const;

private:
    template <class T>
    void MeasureAs(const BYTE* row, SampleRange* range) const;
    template <class T>
    void StretchAs(const BYTE* row, BYTE* target) const;
    // The level of a counted sample: never NaN for a finite one.
    double Level(double v) const;
    void ConvertHighBits(const BYTE* row, BYTE* target) const;
    void ConvertBytes(const BYTE* row, BYTE* target) const;
    // Visits the samples the DIB takes, in the DIB's order: f(targetIndex, sampleIndex).
    template <class F>
    void ForTakenSamples(F&& f) const;

    const Layout& m_layout;
    size_t m_samples;
    size_t m_written;  // DIB bytes of pixels in a row
    double m_low = 0;
    double m_scale = 0;
    // Ranges whose width or scale overflows are stretched as
    // (v h - low h) / m_width, with h = m_half (0.5 when the width does).
    bool m_ordinary = true;
    double m_half = 1;
    double m_width = 0;
    double m_noData = 0;
};

}  // namespace velmora::tiff
