// What a written TIFF's levels look like: the block grid of the full image
// and of each overview, how the RasterProfile's samples are coded (compression,
// predictor, photometric, BigTIFF), and the directory tags of one level.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "velmora/raster_writer.hpp"

namespace velmora::raster {

struct LevelGeometry {
    uint32_t width = 0, height = 0;
    uint32_t blockWidth = 0, blockHeight = 0;  // a strip is width x blockHeight
    uint32_t across = 0, down = 0;
    bool tiled = true;

    uint32_t Blocks() const { return across * down; }
    // The part of the image block `index` covers.
    RasterWindow BlockWindow(uint32_t index) const;
};

struct Coding {
    uint16_t compression = COMPRESSION_NONE;
    uint16_t predictor = PREDICTOR_NONE;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t bits = 8, format = SAMPLEFORMAT_UINT;
    bool bigTiff = false;
    uint64_t blockBytes = 0;  // one full block, all bands interleaved
};

// Throws velmora::Error (invalid_argument or unsupported) for a profile that
// cannot be written; else how it is coded.
Coding CheckProfile(const RasterProfile& profile);

LevelGeometry FullLevel(const RasterProfile& profile);
// The level `factor` times smaller (sizes rounded up), same blocks.
LevelGeometry ReducedLevel(const RasterProfile& profile, int factor);

// Sets the current directory's tags for `level` (the georeferencing on the
// full image only). False when libtiff refuses one.
bool SetLevelTags(TIFF* tif, const RasterProfile& profile, const Coding& coding, const LevelGeometry& level,
                  bool overview);

// Bytes of one block's row of samples (all bands).
inline uint64_t BlockRowBytes(const LevelGeometry& level, const RasterProfile& profile) {
    return uint64_t{level.blockWidth} * profile.count * sample_bytes(profile.type);
}

}  // namespace velmora::raster
