// A Cloud-Optimized GeoTIFF laid out from a finished work file: every
// directory first (the full image's at the start of the file), then the
// blocks of the smallest overview, the next larger, ... and the full
// image's last, each level's blocks in row order. Blocks are copied as
// they were encoded, not encoded again.
#pragma once

#include <string>
#include <vector>

#include "raster/writer_layout.h"

namespace velmora::raster {

// `levels` are the work file's directories in order (the full image, then
// the overviews largest first). Throws velmora::Error.
void WriteCog(const std::string& workPath, const std::string& outPath, const RasterProfile& profile, const Coding& coding,
              const std::vector<LevelGeometry>& levels);

}  // namespace velmora::raster
