#include "tools/tiff_options.h"

#include "velmora/environment.h"

namespace velmora::cli {

namespace {

struct Name {
    const char* text;
    int setting;
};

const Name kNames[] = {{"none", TIFFSAVE_NONE},
                       {"deflate", TIFFSAVE_DEFLATE},
                       {"lzw", TIFFSAVE_LZW},
                       {"jpeg", TIFFSAVE_JPEG}};

}  // namespace

int TakeTiffOption(const Args& args, size_t* i, std::string* error) {
    if (args[*i] != "--compress") return 0;
    if (*i + 1 >= args.size()) {
        *error = "--compress needs a value";
        return -1;
    }
    const std::string& value = args[++*i];
    for (const Name& name : kNames) {
        if (value == name.text) {
            SetTiffCompression(name.setting);
            return 1;
        }
    }
    *error = "bad value '" + value + "' for --compress";
    return -1;
}

}  // namespace velmora::cli
