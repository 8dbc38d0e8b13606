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

// A block's room, or null with `why` when it would take more memory than the
// limit leaves (a decompression bomb asks for no more than this).
std::shared_ptr<DecodedBlock> NewBlock(const TiffLevel& level, std::string* why);

// Block `index` into `block` (from NewBlock); false with `why` when it is
// damaged or lies outside the file. A block with no offset or no bytes (a
// sparse file) reads as `fill`.
bool DecodeBlock(const BlockSource& source, const TiffLevel& level, uint32_t index, DecodedBlock* block,
                 std::string* why);

// Bytes of one decoded block.
uint64_t DecodedBlockBytes(const TiffLevel& level);

}  // namespace velmora::raster
