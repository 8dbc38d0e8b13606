// The two stages of a filtered reduction, both while the rows stream past:
// area averaging by whole factors, then a Lanczos-3 resampling to the exact
// size. Neither holds more than a few rows, whatever the image's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace velmora::resample {

// Rows of three floats a pixel (blue, green, red), or four with alpha (the
// colours premultiplied by it, as 0..255 x 0..255), top first.
using EmitRow = std::function<void(const float* row)>;

// The size of an area-averaged picture, and the span of the source each of
// its pixels stands for: equal to width and height, except that a last
// column or row averaged over fewer source pixels covers only that share.
struct BoxedSize {
    int width = 0, height = 0;
    double spanX = 0, spanY = 0;
};

// The size that fits inside boxWidth x boxHeight with the aspect ratio of
// width x height (rounded, at least 1 x 1).
void FitInside(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight);

// The whole factor area averaging takes for a reduction from `from` to `to`
// pixels, leaving the kernel a last factor between 2 and 4 (1 when the
// reduction is less than 4).
int BoxFactor(int from, int to);

// The size area averaging by kx x ky makes of width x height.
BoxedSize Boxed(int width, int height, int kx, int ky);

// Area averaging by kx x ky: rows of blue-green-red bytes (or blue, green,
// red, alpha with four channels: the colours weighted by alpha, so a
// transparent pixel lends its block no colour) go in top first; each block of kx x ky pixels becomes one pixel of the result (a last
// partial column or row averages what it has), and each finished row goes to
// `emit`. One row of sums is held, whatever the image's size.
class BoxShrinker {
public:
    BoxShrinker(int width, int height, int kx, int ky, EmitRow emit, int channels = 3);
    // The next source row, width * channels bytes.
    void AddRow(const uint8_t* pixels);
    // The last partial band, once every row went in.
    void Finish() { FlushBand(); }
    const BoxedSize& Size() const { return m_size; }
    size_t WorkingBytes() const;

private:
    void FlushBand();
    int m_width, m_height, m_kx, m_ky, m_channels;
    BoxedSize m_size;
    int m_rowsInBand = 0;
    int m_outRow = 0;
    std::vector<uint64_t> m_sums;  // one band's sums, (width / kx rounded up) * channels
    std::vector<float> m_row;
    EmitRow m_emit;
};

// The taps of one output position: source indices first .. first + weights
// - 1, normalised to sum to 1.
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

// Lanczos-3 resampling to width x height (a separable filter scaled to the
// reduction, so it also averages what it drops) of rows that come top first:
// each row is resampled across as it comes, and each output row goes to
// `emit` as soon as the rows under its taps are in, so only the rows one
// output row spans are held.
class Lanczos3Rows {
public:
    Lanczos3Rows(const BoxedSize& source, int width, int height, EmitRow emit, int channels = 3);
    // The next source row, source width * channels floats.
    void AddRow(const float* row);
    // Whether every output row went out.
    bool Done() const { return m_next == m_height; }
    size_t WorkingBytes() const;

private:
    int LastRow(int y) const;
    void EmitReady();
    int m_width, m_height, m_channels;
    std::vector<Taps> m_across, m_down;
    int m_ringRows = 1;
    std::vector<float> m_ring;  // rows resampled across, row r at r % m_ringRows
    std::vector<float> m_out;
    int m_received = 0;
    int m_next = 0;
    EmitRow m_emit;
};

}  // namespace velmora::resample
