#include "api/save_options.h"

#include <string>

#include "api/failure.h"

namespace velmora::api {

namespace {

int CompressionCode(const std::string& name) {
    const struct {
        const char* name;
        int code;
    } codes[] = {{"none", TIFFSAVE_NONE}, {"deflate", TIFFSAVE_DEFLATE}, {"lzw", TIFFSAVE_LZW}, {"jpeg", TIFFSAVE_JPEG}};
    for (const auto& c : codes)
        if (name == c.name) return c.code;
    ThrowUsage(ErrorCode::invalid_argument, "unknown TIFF compression '" + name + "' (none, deflate, lzw, jpeg)");
}

int InRange(const char* option, int value, int low, int high) {
    if (value < low || value > high)
        ThrowUsage(ErrorCode::invalid_argument, std::string(option) + " " + std::to_string(value) + " is outside " +
                                                    std::to_string(low) + ".." + std::to_string(high));
    return value;
}

// An option given for a format that has none is refused, not ignored.
template <typename T>
bool Given(const std::optional<T>& value, const char* option, int optionFormat, int format) {
    if (!value) return false;
    if (format != optionFormat) ThrowUsage(ErrorCode::unsupported, std::string("the format has no ") + option + " option");
    return true;
}

}  // namespace

DIBSaveOptions SaveOptionsFor(int format, const SaveOptions& options) {
    DIBSaveOptions out = GetDefaultSaveOptions();
    if (Given(options.quality, "quality", DIBTYPE_JPG, format))
        out.jpegQuality = InRange("quality", *options.quality, 1, 100);
    if (Given(options.compression, "compression", DIBTYPE_TIF, format))
        out.tiffCompression = CompressionCode(*options.compression);
    if (Given(options.predictor, "predictor", DIBTYPE_TIF, format)) out.tiffPredictor = *options.predictor ? 1 : 0;
    if (Given(options.bigtiff, "bigtiff", DIBTYPE_TIF, format))
        out.bigTiff = *options.bigtiff ? BIGTIFF_FORCED : BIGTIFF_AUTO;
    if (Given(options.level, "level", DIBTYPE_PNG, format)) out.pngLevel = InRange("level", *options.level, 0, 9);
    return out;
}

}  // namespace velmora::api
