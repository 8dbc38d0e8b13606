// One strip or tile decoded to samples of the type the level reads as:
// blockHeight rows of blockWidth pixels of SamplesPerBlockPixel() samples.
#pragma once

#include <cstdint>
#include <string>

#include "raster/block_cache.h"
#include "raster/tiff_level.h"

namespace velmora::raster {

struct BlockSource {
    TIFF* tif;              // at the level's directory
    uint64_t fileSize;      // a block's bytes must lie inside the file
    double fill;            // what a block the file leaves out holds
};

// Null with `why` when the block is damaged, lies outside the file or would
// take more memory than the limit leaves. A block with no offset or no bytes
// (a sparse file) reads as `fill`.
std::shared_ptr<DecodedBlock> DecodeBlock(const BlockSource& source, const TiffLevel& level, uint32_t index,
                                          std::string* why);

// Bytes of one decoded block.
uint64_t DecodedBlockBytes(const TiffLevel& level);

}  // namespace velmora::raster
