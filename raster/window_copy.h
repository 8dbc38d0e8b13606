// Samples of a level copied to a caller's planes, block by block: every
// strip or tile the mapped samples fall in is fetched once per read.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "raster/block_cache.h"
#include "raster/tiff_level.h"

namespace velmora::raster {

// Where a fetch may decode a block it does not keep for later reads: each
// copying thread has one, reused block after block.
struct BlockScratch {
    std::shared_ptr<DecodedBlock> block;
};

// A decoded block of the level, by strip or tile number; throws on failure.
// With a scratch (reads meeting many blocks, which a cache would only churn)
// a block not cached already is decoded there and not kept.
using BlockFetch = std::function<BlockRef(uint32_t index, BlockScratch* scratch)>;

// For each of `samples` (0-based sample of the pixel), one plane of
// cols.size() x rows.size() samples at `out`, plane after plane; cols and
// rows name level samples and never decrease. A read that meets many blocks
// is shared between threads by rows of blocks (`fetch` is called from each).
void CopySamples(const TiffLevel& level, const std::vector<uint32_t>& cols, const std::vector<uint32_t>& rows,
                 const std::vector<int>& samples, uint8_t* out, const BlockFetch& fetch);

}  // namespace velmora::raster
