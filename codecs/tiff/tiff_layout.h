// What the TIFF reader takes from a file's first directory, and how it will
// read it: the sample path (strips or tiles through the band source and the
// sample converter) or libtiff's RGBA interface, with the DIB it makes.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "frame/codec_frame.h"

namespace velmora::tiff {

// How decoded samples become a DIB row.
enum class SampleRule {
    None,     // nothing the DIB can hold: refused
    Packed,   // one sample of 1, 2, 4 or 8 bits, copied as it stands
    Bytes,    // 8-bit samples: the first (grey) or first three (colour)
    HighBits, // unsigned samples of 9 to 16 bits: their high 8 bits
    Stretch,  // signed, 32/64-bit or floating point: the image's range onto 0..255
    Rgba,     // libtiff's RGBA interface converts (CMYK, CIELab, YCbCr, old JPEG)
};

struct Layout {
    uint32_t width = 0;
    uint32_t length = 0;
    uint16_t bitsPerSample = 0;
    uint32_t rowsPerStrip = 0;
    uint16_t photometric = 0;
    uint16_t samplesPerPixel = 0;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t compression = COMPRESSION_NONE;
    float xResolution = 0;
    float yResolution = 0;
    uint16_t resolutionUnit = 0;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    bool tiled = false;
    uint32_t tileWidth = 0;
    uint32_t tileLength = 0;
    uint64_t scanline = 0;  // bytes of one decoded row (of one plane when separate)
    bool hasNoData = false;
    double noData = 0;      // GDAL's no-data value (tag 42113)

    SampleRule rule = SampleRule::None;
    int channels = 1;       // samples taken into the DIB: 1 (grey, palette) or 3
    int bitCount = 0;       // of the DIB
};

Layout ReadLayout(TIFF* tif);

// Refusals before the image is touched; null when the file can be read.
Failure CheckLayout(TIFF* tif, const Layout& layout);

// Samples of one pixel in a decoded (contiguous) row, and its bits.
inline unsigned PixelBits(const Layout& layout) { return unsigned{layout.samplesPerPixel} * layout.bitsPerSample; }

}  // namespace velmora::tiff
