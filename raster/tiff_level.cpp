#include "raster/tiff_level.h"

#include <limits>

namespace velmora::raster {

namespace {

struct Name {
    uint16_t code;
    const char* name;
};

constexpr Name kCompressions[] = {
    {COMPRESSION_NONE, "none"},       {COMPRESSION_CCITTRLE, "ccittrle"}, {COMPRESSION_CCITTFAX3, "ccittfax3"},
    {COMPRESSION_CCITTFAX4, "ccittfax4"}, {COMPRESSION_LZW, "lzw"},       {COMPRESSION_OJPEG, "ojpeg"},
    {COMPRESSION_JPEG, "jpeg"},       {COMPRESSION_ADOBE_DEFLATE, "deflate"}, {COMPRESSION_DEFLATE, "deflate"},
    {COMPRESSION_PACKBITS, "packbits"}, {COMPRESSION_LZMA, "lzma"},       {COMPRESSION_ZSTD, "zstd"},
    {COMPRESSION_WEBP, "webp"},       {COMPRESSION_LERC, "lerc"},         {COMPRESSION_JXL, "jxl"},
};

constexpr Name kPhotometrics[] = {
    {PHOTOMETRIC_MINISWHITE, "miniswhite"}, {PHOTOMETRIC_MINISBLACK, "minisblack"}, {PHOTOMETRIC_RGB, "rgb"},
    {PHOTOMETRIC_PALETTE, "palette"},       {PHOTOMETRIC_MASK, "mask"},             {PHOTOMETRIC_SEPARATED, "cmyk"},
    {PHOTOMETRIC_YCBCR, "ycbcr"},           {PHOTOMETRIC_CIELAB, "cielab"},         {PHOTOMETRIC_ICCLAB, "icclab"},
    {PHOTOMETRIC_ITULAB, "itulab"},
};

template <size_t N>
const char* NameOf(const Name (&names)[N], uint16_t code) {
    for (const Name& n : names)
        if (n.code == code) return n.name;
    return "other";
}

// Integers of odd widths read as the next type that holds them.
SampleType IntegerType(uint16_t bits, bool isSigned) {
    if (bits <= 8) return isSigned ? SampleType::int8 : SampleType::uint8;
    if (bits <= 16) return isSigned ? SampleType::int16 : SampleType::uint16;
    if (bits <= 32) return isSigned ? SampleType::int32 : SampleType::uint32;
    return isSigned ? SampleType::int64 : SampleType::uint64;
}

// A field libtiff defaults when the file leaves it out.
template <class T>
T Defaulted(TIFF* tif, ttag_t tag) {
    T value{};
    TIFFGetFieldDefaulted(tif, tag, &value);
    return value;
}

bool BlockGeometry(TIFF* tif, TiffLevel* level) {
    level->tiled = TIFFIsTiled(tif) != 0;
    if (level->tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &level->blockWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &level->blockHeight);
    } else {
        uint32_t rows = Defaulted<uint32_t>(tif, TIFFTAG_ROWSPERSTRIP);
        level->blockWidth = level->width;
        level->blockHeight = rows == 0 || rows > level->height ? level->height : rows;
    }
    if (level->blockWidth == 0 || level->blockHeight == 0) return false;
    level->across = static_cast<uint32_t>((uint64_t{level->width} + level->blockWidth - 1) / level->blockWidth);
    level->down = static_cast<uint32_t>((uint64_t{level->height} + level->blockHeight - 1) / level->blockHeight);
    return true;
}

}  // namespace

bool SampleTypeOf(uint16_t bits, uint16_t format, SampleType* type) {
    switch (format) {
    case SAMPLEFORMAT_UINT:
    case SAMPLEFORMAT_VOID:
    case SAMPLEFORMAT_INT:
        if (bits == 0 || (bits > 32 && bits != 64)) return false;
        *type = IntegerType(bits, format == SAMPLEFORMAT_INT);
        return true;
    case SAMPLEFORMAT_IEEEFP:
        if (bits == 16 || bits == 24 || bits == 32) *type = SampleType::float32;
        else if (bits == 64) *type = SampleType::float64;
        else return false;
        return true;
    case SAMPLEFORMAT_COMPLEXINT:
        if (bits == 32) *type = SampleType::complex_int16;
        else if (bits == 64) *type = SampleType::complex_int32;
        else return false;
        return true;
    case SAMPLEFORMAT_COMPLEXIEEEFP:
        if (bits == 64) *type = SampleType::complex64;
        else if (bits == 128) *type = SampleType::complex128;
        else return false;
        return true;
    default:
        return false;
    }
}

bool ReadLevel(TIFF* tif, TiffLevel* level, std::string* why) {
    level->dir = TIFFCurrentDirectory(tif);
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &level->width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &level->height) || level->width == 0 || level->height == 0) {
        *why = "the image has no width or height";
        return false;
    }
    level->samples = Defaulted<uint16_t>(tif, TIFFTAG_SAMPLESPERPIXEL);
    level->bits = Defaulted<uint16_t>(tif, TIFFTAG_BITSPERSAMPLE);
    level->format = Defaulted<uint16_t>(tif, TIFFTAG_SAMPLEFORMAT);
    level->compression = Defaulted<uint16_t>(tif, TIFFTAG_COMPRESSION);
    // Only codecs that take a predictor know its tag.
    if (TIFFFindField(tif, TIFFTAG_PREDICTOR, TIFF_ANY)) level->predictor = Defaulted<uint16_t>(tif, TIFFTAG_PREDICTOR);
    level->subfileType = Defaulted<uint32_t>(tif, TIFFTAG_SUBFILETYPE);
    level->planar = Defaulted<uint16_t>(tif, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE && level->samples > 1;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &level->photometric))
        level->photometric = level->samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    if (level->samples == 0) {
        *why = "the image has no samples per pixel";
        return false;
    }
    if (!SampleTypeOf(level->bits, level->format, &level->type)) {
        *why = "samples of " + std::to_string(level->bits) + " bits in sample format " +
               std::to_string(level->format) + " have no type";
        return false;
    }
    if (!BlockGeometry(tif, level)) {
        *why = "the image's strips or tiles have no size";
        return false;
    }
    // A decoded block must be countable in bytes; the memory limit decides
    // later whether it may be held.
    const uint64_t pixels = uint64_t{level->blockWidth} * level->blockHeight;
    if (pixels > std::numeric_limits<uint64_t>::max() / 16 / level->SamplesPerBlockPixel()) {
        *why = "the image's blocks are too large";
        return false;
    }
    return true;
}

const char* CompressionName(uint16_t compression) { return NameOf(kCompressions, compression); }
const char* PhotometricName(uint16_t photometric) { return NameOf(kPhotometrics, photometric); }

}  // namespace velmora::raster
