// One block of a level being written or read back by the writer: encoded
// through libtiff (a strip at the image's foot is cut to the rows it has),
// or decoded, a block never written reading as the fill samples.
#pragma once

#include <tiffio.h>

#include <string>
#include <vector>

#include "raster/writer_layout.h"

namespace velmora::raster {

// Libtiff's last message for a handle the writer opened.
struct TiffMessages {
    std::string last;
};

// Opens `path` for writing (classic or BigTIFF) with libtiff's errors kept
// in `messages`; null when it cannot be opened.
TIFF* OpenTiffForWriting(const char* path, bool bigTiff, TiffMessages* messages);

// Encodes block `index` of `level` from `data` (a full block; libtiff may
// change it). Throws velmora::Error (write_failed) naming `path`.
void WriteBlock(TIFF* tif, const LevelGeometry& level, uint64_t rowBytes, uint32_t index, uint8_t* data,
                const std::string& path, const TiffMessages& messages);

// Decodes block `index` of `level` into `data` (a full block); a block with
// no bytes is `fill` (one sample's bytes) throughout. Throws velmora::Error.
void ReadBlock(TIFF* tif, const LevelGeometry& level, uint64_t rowBytes, uint32_t index, uint8_t* data,
               const std::vector<uint8_t>& fill);

}  // namespace velmora::raster
