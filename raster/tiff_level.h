// One image directory of a TIFF as the raster layer reads it: the full
// resolution image, an overview (reduced-resolution subfile) or a validity
// mask, with the geometry of its strips or tiles.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <string>

#include "velmora/raster.hpp"

namespace velmora::raster {

struct TiffLevel {
    tdir_t dir = 0;
    uint32_t width = 0, height = 0;
    uint32_t blockWidth = 0, blockHeight = 0;  // a strip is width x rows-per-strip
    uint32_t across = 0, down = 0;              // blocks per row and per column
    bool tiled = false;
    bool planar = false;
    uint16_t samples = 1, bits = 8, format = SAMPLEFORMAT_UINT;
    uint16_t compression = COMPRESSION_NONE, photometric = PHOTOMETRIC_MINISBLACK, predictor = 1;
    uint32_t subfileType = 0;
    SampleType type = SampleType::uint8;  // as read (widened)
    int mask = -1;                         // index of this level's mask, -1 for none

    // Samples of one block as decoded: all bands when pixel-interleaved.
    int SamplesPerBlockPixel() const { return planar ? 1 : samples; }
    uint64_t Blocks() const { return uint64_t{across} * down * (planar ? samples : 1u); }
    // The strip or tile number of block (column, row) of `plane`.
    uint32_t BlockIndex(uint32_t col, uint32_t row, uint32_t plane) const {
        return (plane * down + row) * across + col;
    }
    bool IsMask() const {
        return (subfileType & FILETYPE_MASK) && photometric == PHOTOMETRIC_MASK && samples == 1 &&
               (bits == 1 || bits == 8);
    }
    bool IsReduced() const { return (subfileType & FILETYPE_REDUCEDIMAGE) != 0; }
};

// The current directory of `tif`; false with `why` when its layout cannot be
// read (sizes of zero, blocks whose bytes overflow, a sample layout no type
// holds).
bool ReadLevel(TIFF* tif, TiffLevel* level, std::string* why);

// The type a sample of `bits` bits in SampleFormat `format` reads as; false
// when there is none.
bool SampleTypeOf(uint16_t bits, uint16_t format, SampleType* type);

const char* CompressionName(uint16_t compression);
const char* PhotometricName(uint16_t photometric);

}  // namespace velmora::raster
