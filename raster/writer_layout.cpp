#include "raster/writer_layout.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/geo_reference.h"

namespace velmora::raster {

namespace {

struct CompressionName {
    const char* name;
    uint16_t code;
    bool lossyBytes;  // 8-bit samples only, 1 or 3 bands (jpeg), 3 or 4 (webp)
};

constexpr CompressionName kCompressions[] = {
    {"none", COMPRESSION_NONE, false},  {"deflate", COMPRESSION_ADOBE_DEFLATE, false},
    {"lzw", COMPRESSION_LZW, false},    {"zstd", COMPRESSION_ZSTD, false},
    {"lzma", COMPRESSION_LZMA, false},  {"jpeg", COMPRESSION_JPEG, true},
    {"webp", COMPRESSION_WEBP, true},   {"lerc", COMPRESSION_LERC, false},
};

// libtiff keeps uncompressed-sized blocks of up to this in memory at once.
constexpr uint64_t kMaxBlockBytes = uint64_t{1} << 30;
// Past this many bytes of samples (overviews included) offsets need 64 bits;
// the margin covers directories and incompressible data.
constexpr uint64_t kClassicTiffBytes = uint64_t{4000} << 20;

const CompressionName* FindCompression(const std::string& name) {
    for (const CompressionName& c : kCompressions)
        if (name == c.name) return &c;
    return nullptr;
}

[[noreturn]] void Refuse(ErrorCode code, const std::string& why) { throw Error(code, "cannot write the raster: " + why); }

bool IsFloat(SampleType t) { return t == SampleType::float32 || t == SampleType::float64; }
bool IsSigned(SampleType t) {
    return t == SampleType::int8 || t == SampleType::int16 || t == SampleType::int32 || t == SampleType::int64;
}

void CheckGeometry(const RasterSpec& spec) {
    if (spec.width <= 0 || spec.height <= 0 || spec.width > UINT32_MAX || spec.height > UINT32_MAX)
        Refuse(ErrorCode::invalid_argument, "width and height must be 1 to 4294967295");
    if (spec.count < 1 || spec.count > 65535) Refuse(ErrorCode::invalid_argument, "band count must be 1 to 65535");
    if (static_cast<int>(spec.type) >= static_cast<int>(SampleType::complex_int16))
        Refuse(ErrorCode::unsupported, std::string("complex samples (") + to_string(spec.type) + ") are not written");
    if (spec.block_height < 1 || (spec.tiled && (spec.block_width < 16 || spec.block_width % 16 ||
                                                 spec.block_height < 16 || spec.block_height % 16)))
        Refuse(ErrorCode::invalid_argument, "tile sizes must be positive multiples of 16");
    const int64_t blockWidth = spec.tiled ? spec.block_width : spec.width;
    const uint64_t bytes = uint64_t(blockWidth) * uint64_t(spec.block_height) * uint64_t(spec.count) *
                           sample_bytes(spec.type);
    if (bytes > kMaxBlockBytes) Refuse(ErrorCode::invalid_argument, "one block would exceed 1 GiB");
    if (spec.scales.size() > size_t(spec.count) || spec.offsets.size() > size_t(spec.count) ||
        spec.descriptions.size() > size_t(spec.count))
        Refuse(ErrorCode::invalid_argument, "more scales, offsets or descriptions than bands");
    if (spec.epsg && (*spec.epsg <= 0 || *spec.epsg >= 32767))
        Refuse(ErrorCode::invalid_argument, "EPSG code " + std::to_string(*spec.epsg) + " does not fit a GeoKey");
}

uint16_t DefaultPredictor(const RasterSpec& spec, uint16_t compression) {
    const bool predicts = compression == COMPRESSION_ADOBE_DEFLATE || compression == COMPRESSION_LZW ||
                          compression == COMPRESSION_ZSTD || compression == COMPRESSION_LZMA;
    if (!predicts) return PREDICTOR_NONE;
    return IsFloat(spec.type) ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL;
}

void CheckCodec(const RasterSpec& spec, const CompressionName& c, uint16_t predictor) {
    if (!TIFFIsCODECConfigured(c.code)) Refuse(ErrorCode::unsupported, spec.compression + " is not built into libtiff here");
    if (c.lossyBytes && spec.type != SampleType::uint8)
        Refuse(ErrorCode::unsupported, spec.compression + " takes 8-bit unsigned samples, not " + to_string(spec.type));
    if (c.code == COMPRESSION_JPEG && spec.count != 1 && spec.count != 3)
        Refuse(ErrorCode::unsupported, "jpeg takes 1 or 3 bands");
    if (c.code == COMPRESSION_WEBP && spec.count != 3 && spec.count != 4)
        Refuse(ErrorCode::unsupported, "webp takes 3 or 4 bands");
    if ((c.code == COMPRESSION_JPEG || c.code == COMPRESSION_WEBP) && (spec.quality < 1 || spec.quality > 100))
        Refuse(ErrorCode::invalid_argument, "quality must be 1 to 100");
    if (c.code == COMPRESSION_LERC && (spec.type == SampleType::int64 || spec.type == SampleType::uint64))
        Refuse(ErrorCode::unsupported, "lerc takes no 64-bit integers");
    if (predictor > PREDICTOR_FLOATINGPOINT) Refuse(ErrorCode::invalid_argument, "predictor must be 1, 2 or 3");
    if (predictor == PREDICTOR_FLOATINGPOINT && !IsFloat(spec.type))
        Refuse(ErrorCode::invalid_argument, "the floating point predictor takes float samples");
    if (predictor != PREDICTOR_NONE && DefaultPredictor(spec, c.code) == PREDICTOR_NONE)
        Refuse(ErrorCode::unsupported, "a predictor needs deflate, lzw, zstd or lzma");
}

uint64_t SampleBytesWithOverviews(const RasterSpec& spec) {
    const uint64_t full = uint64_t(spec.width) * uint64_t(spec.height) * uint64_t(spec.count) * sample_bytes(spec.type);
    return full + full / 3;
}

}  // namespace

RasterWindow LevelGeometry::BlockWindow(uint32_t index) const {
    const int64_t col = int64_t(index % across) * blockWidth, row = int64_t(index / across) * blockHeight;
    return {col, row, std::min<int64_t>(blockWidth, width - col), std::min<int64_t>(blockHeight, height - row)};
}

Coding CheckSpec(const RasterSpec& spec) {
    CheckGeometry(spec);
    const CompressionName* c = FindCompression(spec.compression);
    if (!c) Refuse(ErrorCode::invalid_argument, "unknown compression '" + spec.compression + "'");
    Coding coding;
    coding.compression = c->code;
    coding.predictor = spec.predictor ? uint16_t(spec.predictor) : DefaultPredictor(spec, c->code);
    if (spec.predictor < 0) Refuse(ErrorCode::invalid_argument, "predictor must be 1, 2 or 3");
    CheckCodec(spec, *c, spec.predictor ? coding.predictor : PREDICTOR_NONE);
    coding.bits = uint16_t(sample_bytes(spec.type) * 8);
    coding.format = IsFloat(spec.type) ? SAMPLEFORMAT_IEEEFP : IsSigned(spec.type) ? SAMPLEFORMAT_INT : SAMPLEFORMAT_UINT;
    const bool rgb = spec.type == SampleType::uint8 && (spec.count == 3 || (spec.count == 4 && c->code == COMPRESSION_WEBP));
    coding.photometric = rgb ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    coding.bigTiff = spec.big_tiff == BigTiff::yes ||
                     (spec.big_tiff == BigTiff::automatic && SampleBytesWithOverviews(spec) > kClassicTiffBytes);
    const LevelGeometry full = FullLevel(spec);
    coding.blockBytes = BlockRowBytes(full, spec) * full.blockHeight;
    return coding;
}

LevelGeometry FullLevel(const RasterSpec& spec) { return ReducedLevel(spec, 1); }

LevelGeometry ReducedLevel(const RasterSpec& spec, int factor) {
    LevelGeometry level;
    level.width = uint32_t((spec.width + factor - 1) / factor);
    level.height = uint32_t((spec.height + factor - 1) / factor);
    level.tiled = spec.tiled;
    level.blockWidth = spec.tiled ? uint32_t(spec.block_width) : level.width;
    level.blockHeight = spec.tiled ? uint32_t(spec.block_height) : std::min<uint32_t>(spec.block_height, level.height);
    level.across = (level.width + level.blockWidth - 1) / level.blockWidth;
    level.down = (level.height + level.blockHeight - 1) / level.blockHeight;
    return level;
}

bool SetLevelTags(TIFF* tif, const RasterSpec& spec, const Coding& coding, const LevelGeometry& level,
                  bool overview) {
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, level.width) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, level.height) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(spec.count)) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, coding.bits) &&
              TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, coding.format) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, coding.photometric) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, coding.compression);
    if (overview) ok = ok && TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    ok = ok && (level.tiled ? TIFFSetField(tif, TIFFTAG_TILEWIDTH, level.blockWidth) &&
                                  TIFFSetField(tif, TIFFTAG_TILELENGTH, level.blockHeight)
                            : TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, level.blockHeight));
    const int extras = coding.photometric == PHOTOMETRIC_RGB ? spec.count - 3 : spec.count - 1;
    if (extras > 0) {
        std::vector<uint16_t> kinds(size_t(extras), EXTRASAMPLE_UNSPECIFIED);
        ok = ok && TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(extras), kinds.data());
    }
    if (coding.predictor != PREDICTOR_NONE) ok = ok && TIFFSetField(tif, TIFFTAG_PREDICTOR, coding.predictor);
    if (coding.compression == COMPRESSION_JPEG) ok = ok && TIFFSetField(tif, TIFFTAG_JPEGQUALITY, spec.quality);
    if (coding.compression == COMPRESSION_WEBP) ok = ok && TIFFSetField(tif, TIFFTAG_WEBP_LEVEL, spec.quality);
    if (!ok) return false;
    if (!overview) WriteGeoReference(tif, spec);
    else if (spec.nodata) WriteNoData(tif, *spec.nodata);
    return true;
}

}  // namespace velmora::raster

namespace velmora {

bool compression_available(const std::string& compression) {
    const raster::CompressionName* c = raster::FindCompression(compression);
    return c && TIFFIsCODECConfigured(c->code);
}

}  // namespace velmora
