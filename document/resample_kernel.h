// The two stages of a filtered reduction: area averaging by whole factors
// while the rows stream past (so only one row of sums is held, whatever the
// image's size), then a Lanczos-3 resampling of the small result to the
// exact size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::resample {

// Three floats a pixel (blue, green, red), rows top first.
struct FloatImage {
    int width = 0;
    int height = 0;
    // The span of the source each pixel stands for, in these pixels: equal to
    // width and height, except that a last column or row averaged over fewer
    // source pixels covers only that share of a pixel.
    double spanX = 0, spanY = 0;
    std::vector<float> pixels;  // width * height * 3
    float* Row(int y) { return pixels.data() + static_cast<size_t>(y) * width * 3; }
    const float* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * 3; }
};

// The size that fits inside boxWidth x boxHeight with the aspect ratio of
// width x height (rounded, at least 1 x 1).
void FitInside(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight);

// The whole factor area averaging takes for a reduction from `from` to `to`
// pixels, leaving the kernel a last factor between 2 and 4 (1 when the
// reduction is less than 4).
int BoxFactor(int from, int to);

// Area averaging by kx x ky: rows of blue-green-red bytes go in top first;
// each block of kx x ky pixels becomes one pixel of the result (a last
// partial column or row averages what it has).
class BoxShrinker {
public:
    BoxShrinker(int width, int height, int kx, int ky);
    // The next source row, width * 3 bytes.
    void AddRow(const uint8_t* bgr);
    // The result, once every row went in.
    FloatImage Take();

private:
    void FlushBand();
    int m_width, m_height, m_kx, m_ky;
    int m_rowsInBand = 0;
    int m_outRow = 0;
    std::vector<uint64_t> m_sums;  // one band's sums, (width / kx rounded up) * 3
    FloatImage m_out;
};

// Lanczos-3 resampling of `source` to width x height (a separable filter
// scaled to the reduction, so it also averages what it drops).
FloatImage Lanczos3(const FloatImage& source, int width, int height);

}  // namespace velmora::resample
