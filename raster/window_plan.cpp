#include "raster/window_plan.h"

#include <algorithm>

namespace velmora::raster {

namespace {

// Source samples per output sample along the least reduced axis.
double Reduction(double width, double height, double outWidth, double outHeight) {
    const double x = width / outWidth, y = height / outHeight;
    return x < y || outHeight == 1 ? x : y;
}

constexpr double kOversamplingThreshold = 1.2;

}  // namespace

size_t ChooseLevel(const std::vector<TiffLevel>& levels, const RasterWindow& window, RasterSize out) {
    if (out.width >= window.width && out.height >= window.height) return 0;
    const TiffLevel& full = levels[0];
    const double desired = Reduction(double(window.width), double(window.height), double(out.width),
                                     double(out.height));
    size_t best = 0;
    double bestReduction = 0.0;
    for (size_t i = 1; i < levels.size(); ++i) {
        const TiffLevel& level = levels[i];
        if (level.width > full.width || level.height > full.height) continue;
        const double x = double(full.width) / level.width, y = double(full.height) / level.height;
        const double reduction = x < y ? x : y;
        if (reduction >= desired * kOversamplingThreshold || reduction <= bestReduction) continue;
        best = i;
        bestReduction = reduction;
    }
    return best;
}

RasterWindow WindowOnLevel(const TiffLevel& full, const TiffLevel& level, const RasterWindow& window) {
    if (&full == &level) return window;
    const double xFactor = double(full.width) / level.width, yFactor = double(full.height) / level.height;
    RasterWindow on;
    on.col = std::min<int64_t>(level.width - 1, static_cast<int64_t>(window.col / xFactor + 0.5));
    on.row = std::min<int64_t>(level.height - 1, static_cast<int64_t>(window.row / yFactor + 0.5));
    on.width = std::max<int64_t>(1, static_cast<int64_t>(window.width / xFactor + 0.5));
    on.height = std::max<int64_t>(1, static_cast<int64_t>(window.height / yFactor + 0.5));
    on.width = std::min<int64_t>(on.width, level.width - on.col);
    on.height = std::min<int64_t>(on.height, level.height - on.row);
    return on;
}

std::vector<uint32_t> NearestSamples(int64_t offset, int64_t size, int64_t outSize, uint32_t levelSize) {
    std::vector<uint32_t> samples(static_cast<size_t>(outSize));
    if (size == outSize) {
        for (int64_t i = 0; i < outSize; ++i) samples[i] = static_cast<uint32_t>(offset + i);
        return samples;
    }
    // GDAL adds a small epsilon against rounding at exact halves.
    const double step = double(size) / double(outSize);
    for (int64_t i = 0; i < outSize; ++i) {
        const double at = (i + 0.5) * step + double(offset) + 1e-10;
        samples[i] = static_cast<uint32_t>(std::min(std::max(0.0, at), double(levelSize - 1)));
    }
    return samples;
}

}  // namespace velmora::raster
