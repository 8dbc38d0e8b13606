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

void CheckGeometry(const RasterProfile& profile) {
    if (profile.width <= 0 || profile.height <= 0 || profile.width > UINT32_MAX || profile.height > UINT32_MAX)
        Refuse(ErrorCode::invalid_argument, "width and height must be 1 to 4294967295");
    if (profile.count < 1 || profile.count > 65535) Refuse(ErrorCode::invalid_argument, "band count must be 1 to 65535");
    if (static_cast<int>(profile.type) >= static_cast<int>(SampleType::complex_int16))
        Refuse(ErrorCode::unsupported, std::string("complex samples (") + to_string(profile.type) + ") are not written");
    if (profile.block_height < 1 || (profile.tiled && (profile.block_width < 16 || profile.block_width % 16 ||
                                                 profile.block_height < 16 || profile.block_height % 16)))
        Refuse(ErrorCode::invalid_argument, "tile sizes must be positive multiples of 16");
    const int64_t blockWidth = profile.tiled ? profile.block_width : profile.width;
    const uint64_t bytes = uint64_t(blockWidth) * uint64_t(profile.block_height) * uint64_t(profile.count) *
                           sample_bytes(profile.type);
    if (bytes > kMaxBlockBytes) Refuse(ErrorCode::invalid_argument, "one block would exceed 1 GiB");
    if (profile.scales.size() > size_t(profile.count) || profile.offsets.size() > size_t(profile.count) ||
        profile.descriptions.size() > size_t(profile.count))
        Refuse(ErrorCode::invalid_argument, "more scales, offsets or descriptions than bands");
    if (profile.epsg && (*profile.epsg <= 0 || *profile.epsg >= 32767))
        Refuse(ErrorCode::invalid_argument, "EPSG code " + std::to_string(*profile.epsg) + " does not fit a GeoKey");
}

uint16_t DefaultPredictor(const RasterProfile& profile, uint16_t compression) {
    const bool predicts = compression == COMPRESSION_ADOBE_DEFLATE || compression == COMPRESSION_LZW ||
                          compression == COMPRESSION_ZSTD || compression == COMPRESSION_LZMA;
    if (!predicts) return PREDICTOR_NONE;
    return IsFloat(profile.type) ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL;
}

void CheckCodec(const RasterProfile& profile, const CompressionName& c, uint16_t predictor) {
    if (!TIFFIsCODECConfigured(c.code)) Refuse(ErrorCode::unsupported, profile.compression + " is not built into libtiff here");
    if (c.lossyBytes && profile.type != SampleType::uint8)
        Refuse(ErrorCode::unsupported, profile.compression + " takes 8-bit unsigned samples, not " + to_string(profile.type));
    if (c.code == COMPRESSION_JPEG && profile.count != 1 && profile.count != 3)
        Refuse(ErrorCode::unsupported, "jpeg takes 1 or 3 bands");
    if (c.code == COMPRESSION_WEBP && profile.count != 3 && profile.count != 4)
        Refuse(ErrorCode::unsupported, "webp takes 3 or 4 bands");
    if ((c.code == COMPRESSION_JPEG || c.code == COMPRESSION_WEBP) && (profile.quality < 1 || profile.quality > 100))
        Refuse(ErrorCode::invalid_argument, "quality must be 1 to 100");
    if (c.code == COMPRESSION_LERC && (profile.type == SampleType::int64 || profile.type == SampleType::uint64))
        Refuse(ErrorCode::unsupported, "lerc takes no 64-bit integers");
    if (predictor > PREDICTOR_FLOATINGPOINT) Refuse(ErrorCode::invalid_argument, "predictor must be 1, 2 or 3");
    if (predictor == PREDICTOR_FLOATINGPOINT && !IsFloat(profile.type))
        Refuse(ErrorCode::invalid_argument, "the floating point predictor takes float samples");
    if (predictor != PREDICTOR_NONE && DefaultPredictor(profile, c.code) == PREDICTOR_NONE)
        Refuse(ErrorCode::unsupported, "a predictor needs deflate, lzw, zstd or lzma");
}

uint64_t SampleBytesWithOverviews(const RasterProfile& profile) {
    const uint64_t full = uint64_t(profile.width) * uint64_t(profile.height) * uint64_t(profile.count) * sample_bytes(profile.type);
    return full + full / 3;
}

}  // namespace

RasterWindow LevelGeometry::BlockWindow(uint32_t index) const {
    const int64_t col = int64_t(index % across) * blockWidth, row = int64_t(index / across) * blockHeight;
    return {col, row, std::min<int64_t>(blockWidth, width - col), std::min<int64_t>(blockHeight, height - row)};
}

Coding CheckProfile(const RasterProfile& profile) {
    CheckGeometry(profile);
    const CompressionName* c = FindCompression(profile.compression);
    if (!c) Refuse(ErrorCode::invalid_argument, "unknown compression '" + profile.compression + "'");
    Coding coding;
    coding.compression = c->code;
    coding.predictor = profile.predictor ? uint16_t(profile.predictor) : DefaultPredictor(profile, c->code);
    if (profile.predictor < 0) Refuse(ErrorCode::invalid_argument, "predictor must be 1, 2 or 3");
    CheckCodec(profile, *c, profile.predictor ? coding.predictor : PREDICTOR_NONE);
    coding.bits = uint16_t(sample_bytes(profile.type) * 8);
    coding.format = IsFloat(profile.type) ? SAMPLEFORMAT_IEEEFP : IsSigned(profile.type) ? SAMPLEFORMAT_INT : SAMPLEFORMAT_UINT;
    const bool rgb = profile.type == SampleType::uint8 && (profile.count == 3 || (profile.count == 4 && c->code == COMPRESSION_WEBP));
    coding.photometric = rgb ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    coding.bigTiff = profile.big_tiff == BigTiff::yes ||
                     (profile.big_tiff == BigTiff::automatic && SampleBytesWithOverviews(profile) > kClassicTiffBytes);
    const LevelGeometry full = FullLevel(profile);
    coding.blockBytes = BlockRowBytes(full, profile) * full.blockHeight;
    return coding;
}

LevelGeometry FullLevel(const RasterProfile& profile) { return ReducedLevel(profile, 1); }

LevelGeometry ReducedLevel(const RasterProfile& profile, int factor) {
    LevelGeometry level;
    level.width = uint32_t((profile.width + factor - 1) / factor);
    level.height = uint32_t((profile.height + factor - 1) / factor);
    level.tiled = profile.tiled;
    level.blockWidth = profile.tiled ? uint32_t(profile.block_width) : level.width;
    level.blockHeight = profile.tiled ? uint32_t(profile.block_height) : std::min<uint32_t>(profile.block_height, level.height);
    level.across = (level.width + level.blockWidth - 1) / level.blockWidth;
    level.down = (level.height + level.blockHeight - 1) / level.blockHeight;
    return level;
}

bool SetLevelTags(TIFF* tif, const RasterProfile& profile, const Coding& coding, const LevelGeometry& level,
                  bool overview) {
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, level.width) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, level.height) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(profile.count)) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, coding.bits) &&
              TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, coding.format) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, coding.photometric) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, coding.compression);
    if (overview) ok = ok && TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
    ok = ok && (level.tiled ? TIFFSetField(tif, TIFFTAG_TILEWIDTH, level.blockWidth) &&
                                  TIFFSetField(tif, TIFFTAG_TILELENGTH, level.blockHeight)
                            : TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, level.blockHeight));
    const int extras = coding.photometric == PHOTOMETRIC_RGB ? profile.count - 3 : profile.count - 1;
    if (extras > 0) {
        std::vector<uint16_t> kinds(size_t(extras), EXTRASAMPLE_UNSPECIFIED);
        ok = ok && TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(extras), kinds.data());
    }
    if (coding.predictor != PREDICTOR_NONE) ok = ok && TIFFSetField(tif, TIFFTAG_PREDICTOR, coding.predictor);
    if (coding.compression == COMPRESSION_JPEG) ok = ok && TIFFSetField(tif, TIFFTAG_JPEGQUALITY, profile.quality);
    if (coding.compression == COMPRESSION_WEBP) ok = ok && TIFFSetField(tif, TIFFTAG_WEBP_LEVEL, profile.quality);
    if (!ok) return false;
    if (!overview) WriteGeoReference(tif, profile);
    else if (profile.nodata) WriteNoData(tif, *profile.nodata);
    return true;
}

}  // namespace velmora::raster

namespace velmora {

bool compression_available(const std::string& compression) {
    const raster::CompressionName* c = raster::FindCompression(compression);
    return c && TIFFIsCODECConfigured(c->code);
}

}  // namespace velmora
