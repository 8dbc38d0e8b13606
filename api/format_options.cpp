#include "api/format_options.h"

#include <string>

#include "api/failure.h"
#include "velmora/environment.h"

namespace velmora::api {

namespace {

std::mutex g_optionLock;

// The setting each option stands for; the previous value is kept here while
// the lock is held.
struct Setting {
    const char* option;
    int format;
    int (*get)();
    void (*set)(int);
    int saved;
};

// Hooks for the library's settings as they come; null: this build has none.
Setting g_quality{"quality", DIBTYPE_JPG, &GetJpegQuality, &SetJpegQuality, 0};
Setting g_compression{"compression", DIBTYPE_TIF, &GetTiffCompression, &SetTiffCompression, 0};
Setting g_level{"level", DIBTYPE_PNG, &GetPngCompressionLevel, &SetPngCompressionLevel, 0};

int CompressionCode(const std::string& name) {
    const struct {
        const char* name;
        int code;
    } codes[] = {{"none", TIFFSAVE_NONE}, {"deflate", TIFFSAVE_DEFLATE}, {"lzw", TIFFSAVE_LZW}, {"jpeg", TIFFSAVE_JPEG}};
    for (const auto& c : codes)
        if (name == c.name) return c.code;
    ThrowUsage(ErrorCode::invalid_argument, "unknown TIFF compression '" + name + "' (none, deflate, lzw, jpeg)");
}

void CheckRange(const char* option, int value, int low, int high) {
    if (value < low || value > high)
        ThrowUsage(ErrorCode::invalid_argument, std::string(option) + " " + std::to_string(value) + " is outside " +
                                                    std::to_string(low) + ".." + std::to_string(high));
}

void Check(const Setting& setting, int format) {
    if (format != setting.format)
        ThrowUsage(ErrorCode::unsupported, std::string("the format has no ") + setting.option + " option");
    if (!setting.set) ThrowUsage(ErrorCode::unsupported, std::string("this build cannot set the ") + setting.option);
}

}  // namespace

FormatOptionScope::FormatOptionScope(int format, const SaveOptions& options) {
    if (!options.quality && !options.compression && !options.level) return;
    struct Wanted {
        Setting* setting;
        int value;
    };
    std::vector<Wanted> wanted;
    if (options.quality) {
        CheckRange("quality", *options.quality, 1, 100);
        wanted.push_back({&g_quality, *options.quality});
    }
    if (options.compression) wanted.push_back({&g_compression, CompressionCode(*options.compression)});
    if (options.level) {
        CheckRange("level", *options.level, 0, 9);
        wanted.push_back({&g_level, *options.level});
    }
    for (const Wanted& w : wanted) Check(*w.setting, format);
    m_lock = std::unique_lock<std::mutex>(g_optionLock);
    for (const Wanted& w : wanted) {
        w.setting->saved = w.setting->get();
        w.setting->set(w.value);
    }
    if (options.quality) m_restore.push_back([] { g_quality.set(g_quality.saved); });
    if (options.compression) m_restore.push_back([] { g_compression.set(g_compression.saved); });
    if (options.level) m_restore.push_back([] { g_level.set(g_level.saved); });
}

FormatOptionScope::~FormatOptionScope() {
    for (auto restore : m_restore) restore();
}

}  // namespace velmora::api
