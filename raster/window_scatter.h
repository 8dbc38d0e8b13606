// A caller's window (one plane per band) placed into a block whose pixels
// hold every band side by side: the inverse of window_copy's gather.
#pragma once

#include <cstdint>
#include <vector>

#include "velmora/raster.hpp"

namespace velmora::raster {

struct PlanarWindow {
    const uint8_t* buffer = nullptr;
    RasterWindow window;
    std::vector<int> bands;  // 1-based
    size_t sampleBytes = 1;
    int count = 1;           // bands of a block pixel
};

// The part of the image both windows cover (width or height 0 when none).
RasterWindow Intersection(const RasterWindow& a, const RasterWindow& b);

// Copies `source`'s samples inside `block` (the block's place in the image)
// into `data`, a block `blockWidth` pixels wide.
void ScatterIntoBlock(const PlanarWindow& source, const RasterWindow& block, uint32_t blockWidth, uint8_t* data);

}  // namespace velmora::raster
