// What a Raster holds: its description, the levels of the file (the full
// image, then the overviews, largest first), the masks GDAL stored beside
// them, and the handles and decoded blocks its reads share.
#pragma once

#include <string>
#include <vector>

#include "raster/block_cache.h"
#include "raster/handle_pool.h"
#include "raster/tiff_level.h"
#include "raster/window_copy.h"
#include "velmora/raster.hpp"

namespace velmora {

struct Raster::Impl {
    Impl(std::string p, tiff::TiffHandle first) : path(p), pool(std::move(p), std::move(first)) {}

    std::string path;
    RasterInfo info;
    std::vector<raster::TiffLevel> levels;
    std::vector<raster::TiffLevel> masks;
    uint64_t fileSize = 0;
    raster::HandlePool pool;
    raster::BlockCache cache;

    // The decoded block `index` of `level`, from the cache or decoded now:
    // into the cache, or into `scratch` when one is given.
    raster::BlockRef Block(const raster::TiffLevel& level, uint32_t index, raster::BlockScratch* scratch);
};

}  // namespace velmora
