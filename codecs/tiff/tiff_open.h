// Opening TIFF files for the codec: the handle that closes itself and the
// reading open (no waiting on FIFOs, no mapping, a damaged file's flood of
// libtiff messages cut short, the GeoTIFF tags known).
#pragma once

#include <tiffio.h>

#include <cstdlib>
#include <memory>

#include "velmora/wintypes.h"

namespace velmora::tiff {

struct CloseTiff {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, CloseTiff>;

struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};
using Block = std::unique_ptr<BYTE, FreeBlock>;

// Null when the file cannot be opened or is no TIFF.
TIFF* OpenTiffForReading(const char* path);

}  // namespace velmora::tiff
