#include "raster/window_scatter.h"

#include <algorithm>
#include <cstring>

namespace velmora::raster {

namespace {

template <size_t N>
void SpreadRow(const uint8_t* in, size_t n, uint8_t* out, size_t stride) {
    for (size_t i = 0; i < n; ++i, in += N, out += stride) std::memcpy(out, in, N);
}

void Spread(const uint8_t* in, size_t n, uint8_t* out, size_t stride, size_t sampleBytes) {
    switch (sampleBytes) {
        case 1: return SpreadRow<1>(in, n, out, stride);
        case 2: return SpreadRow<2>(in, n, out, stride);
        case 4: return SpreadRow<4>(in, n, out, stride);
        default: return SpreadRow<8>(in, n, out, stride);
    }
}

}  // namespace

RasterWindow Intersection(const RasterWindow& a, const RasterWindow& b) {
    const int64_t col = std::max(a.col, b.col), row = std::max(a.row, b.row);
    const int64_t right = std::min(a.col + a.width, b.col + b.width);
    const int64_t bottom = std::min(a.row + a.height, b.row + b.height);
    return {col, row, std::max<int64_t>(0, right - col), std::max<int64_t>(0, bottom - row)};
}

void ScatterIntoBlock(const PlanarWindow& source, const RasterWindow& block, uint32_t blockWidth, uint8_t* data) {
    const RasterWindow part = Intersection(source.window, block);
    const RasterWindow& w = source.window;
    const size_t stride = source.sampleBytes * size_t(source.count);
    for (size_t k = 0; k < source.bands.size(); ++k) {
        const size_t band = size_t(source.bands[k] - 1);
        for (int64_t y = part.row; y < part.row + part.height; ++y) {
            const uint8_t* in = source.buffer +
                                ((k * size_t(w.height) + size_t(y - w.row)) * size_t(w.width) + size_t(part.col - w.col)) *
                                    source.sampleBytes;
            uint8_t* out = data + (size_t(y - block.row) * blockWidth + size_t(part.col - block.col)) * stride +
                           band * source.sampleBytes;
            Spread(in, size_t(part.width), out, stride, source.sampleBytes);
        }
    }
}

}  // namespace velmora::raster
