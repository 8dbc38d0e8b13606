// Which level a read takes its samples from and which sample of that level
// each output sample is: GDAL's overview choice and its nearest-neighbour
// mapping, so reduced reads give GDAL's numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/tiff_level.h"

namespace velmora::raster {

// `levels`: the full resolution first, then the overviews. The level whose
// reduction is the largest still below 1.2 times the read's own (GDAL's
// threshold); 0 when the read is not reduced or no overview fits.
size_t ChooseLevel(const std::vector<TiffLevel>& levels, const RasterWindow& window, RasterSize out);

// `window` of the full level on `level`, rounded as GDAL rounds it.
RasterWindow WindowOnLevel(const TiffLevel& full, const TiffLevel& level, const RasterWindow& window);

// For each of `outSize` outputs, the level sample under its centre.
std::vector<uint32_t> NearestSamples(int64_t offset, int64_t size, int64_t outSize, uint32_t levelSize);

}  // namespace velmora::raster
