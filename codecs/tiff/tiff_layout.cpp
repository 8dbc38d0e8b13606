#include "codecs/tiff/tiff_layout.h"

#include <cstdlib>

#include "environment/texts.h"
#include "platform/dib_geometry.h"

namespace velmora::tiff {

namespace {

// JPEG-compressed YCbCr comes out as RGB rows when libtiff converts it;
// without that the rows would be subsampled YCbCr. libtiff converts
// contiguous samples only: separate planes come as stored, Y, Cb and Cr, and
// go through the RGBA interface like YCbCr without JPEG.
bool JpegYcbcr(const Layout& layout) {
    return layout.compression == COMPRESSION_JPEG && layout.photometric == PHOTOMETRIC_YCBCR &&
           layout.planar == PLANARCONFIG_CONTIG;
}

void ReadNoData(TIFF* tif, Layout* layout) {
    const char* text = nullptr;
    if (!TIFFGetField(tif, 42113, &text) || !text || !*text) return;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text) return;
    layout->hasNoData = true;
    layout->noData = value;
}

// The rule for samples of photometric interpretations the converter knows:
// grey, palette and RGB.
SampleRule RuleForSamples(const Layout& layout) {
    const unsigned bits = layout.bitsPerSample;
    const bool single = layout.samplesPerPixel == 1;
    if (layout.photometric == PHOTOMETRIC_PALETTE)
        return single && bits <= 8 && layout.sampleFormat != SAMPLEFORMAT_IEEEFP ? SampleRule::Packed : SampleRule::None;
    switch (layout.sampleFormat) {
        case SAMPLEFORMAT_UINT:
        case SAMPLEFORMAT_VOID:
            if (bits == 1 || bits == 2 || bits == 4) return single ? SampleRule::Packed : SampleRule::None;
            if (bits == 8) return single ? SampleRule::Packed : SampleRule::Bytes;
            if (bits > 8 && bits <= 16) return SampleRule::HighBits;
            return bits == 32 || bits == 64 ? SampleRule::Stretch : SampleRule::None;
        case SAMPLEFORMAT_INT:
            // Signed bytes were always taken as they stand; kept, so those
            // files read as before.
            if (bits == 8) return single ? SampleRule::Packed : SampleRule::Bytes;
            return bits == 16 || bits == 32 || bits == 64 ? SampleRule::Stretch : SampleRule::None;
        case SAMPLEFORMAT_IEEEFP:
            return bits == 32 || bits == 64 ? SampleRule::Stretch : SampleRule::None;
        default:
            return SampleRule::None;
    }
}

bool RgbaInterfaceTakes(TIFF* tif) {
    char message[1024];
    return TIFFRGBAImageOK(tif, message) != 0;
}

// Which path reads the file. Old-style JPEG and the photometric
// interpretations the converter does not know go through libtiff's RGBA
// interface; three 8-bit samples it does not take either were always copied
// as they stand, and still are.
void ChooseRule(TIFF* tif, Layout* layout) {
    const uint16_t photometric = layout->photometric;
    const bool known = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE ||
                       photometric == PHOTOMETRIC_PALETTE || photometric == PHOTOMETRIC_RGB || JpegYcbcr(*layout);
    if (layout->compression != COMPRESSION_OJPEG && known) {
        layout->channels = photometric == PHOTOMETRIC_RGB || JpegYcbcr(*layout) ? 3 : 1;
        layout->rule = layout->samplesPerPixel >= layout->channels ? RuleForSamples(*layout) : SampleRule::None;
    } else if (RgbaInterfaceTakes(tif)) {
        layout->rule = SampleRule::Rgba;
        layout->channels = 3;
    } else if (layout->samplesPerPixel == 3 && layout->bitsPerSample == 8) {
        layout->rule = SampleRule::Bytes;
        layout->channels = 3;
    }
    // Separate planes of samples narrower than a byte have no byte to interleave.
    if (layout->rule != SampleRule::Rgba && layout->planar == PLANARCONFIG_SEPARATE && layout->samplesPerPixel > 1 &&
        layout->bitsPerSample % 8 != 0)
        layout->rule = SampleRule::None;
    if (layout->rule == SampleRule::Packed) layout->bitCount = layout->bitsPerSample;
    else layout->bitCount = layout->channels == 1 ? 8 : 24;
}

// Compressed data a large picture needs at the least, so that a small crafted
// file cannot reserve a huge page file: every pixel once for uncompressed
// data, one byte per 64 KiB of decoded rows for any compression (blank fax
// pages come near that).
constexpr uint64_t kUncheckedBytes = uint64_t{256} << 20;
constexpr uint64_t kMaxExpansion = uint64_t{1} << 16;

bool DataCanHold(TIFF* tif, const Layout& layout) {
    const uint64_t planes = layout.planar == PLANARCONFIG_SEPARATE ? layout.samplesPerPixel : 1;
    const uint64_t decoded = layout.scanline * layout.length * planes;
    if (decoded <= kUncheckedBytes) return true;
    const uint64_t fileBytes = TIFFGetSizeProc(tif)(TIFFClientdata(tif));
    return layout.compression == COMPRESSION_NONE ? fileBytes >= decoded : fileBytes >= decoded / kMaxExpansion;
}

// A tile is decoded whole; no real file has tiles near this size, and a
// crafted one must not reserve gigabytes for a small picture.
constexpr uint64_t kMaxTileBytes = uint64_t{256} << 20;

bool TilesCanBeHeld(TIFF* tif, const Layout& layout) {
    if (!layout.tiled) return true;
    return layout.tileWidth > 0 && layout.tileLength > 0 && TIFFTileSize64(tif) > 0 &&
           TIFFTileSize64(tif) <= kMaxTileBytes;
}

// Colour rows are taken a whole pixel at a time; subsampled rows do not hold that.
bool RowsHoldWholePixels(const Layout& layout) {
    if (layout.rule == SampleRule::Rgba || layout.planar == PLANARCONFIG_SEPARATE) return true;
    return layout.scanline * 8 >= uint64_t{layout.width} * PixelBits(layout);
}

}  // namespace

Layout ReadLayout(TIFF* tif) {
    Layout layout;
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGELENGTH, &layout.length);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &layout.rowsPerStrip);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &layout.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_XRESOLUTION, &layout.xResolution);
    TIFFGetFieldDefaulted(tif, TIFFTAG_YRESOLUTION, &layout.yResolution);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &layout.resolutionUnit);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &layout.orientation);
    layout.tiled = TIFFIsTiled(tif) != 0;
    if (layout.tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &layout.tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &layout.tileLength);
    }
    ReadNoData(tif, &layout);
    if (JpegYcbcr(layout)) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    const tmsize_t scanline = TIFFScanlineSize(tif);
    layout.scanline = scanline > 0 ? static_cast<uint64_t>(scanline) : 0;
    ChooseRule(tif, &layout);
    return layout;
}

Failure CheckLayout(TIFF* tif, const Layout& layout) {
    if (layout.rule == SampleRule::None || !RowsHoldWholePixels(layout) || !TilesCanBeHeld(tif, layout))
        return text::kUnsupportedFormat;
    // Sizes the storage would refuse fail as its refusal would, before the
    // document gives up its image.
    if (layout.width == 0 || layout.length == 0 || layout.width > INT32_MAX || layout.length > INT32_MAX ||
        RowStride(layout.width, layout.bitCount, INT32_MAX) == 0)
        return text::kCreateBufferFailed;
    if (layout.scanline == 0 || !DataCanHold(tif, layout)) return text::kReadImageFailed;
    // A file that can hold its picture may still claim more than the
    // library's limits allow.
    return CheckImageSize(layout.width, layout.length, layout.bitCount);
}

}  // namespace velmora::tiff
