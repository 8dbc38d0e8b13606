#include "tools/jpeg_quality_option.h"

#include <cstdlib>

#include "velmora/environment.h"

namespace velmora::cli {

int TakeQualityOption(const Args& args, size_t* i, std::string* error) {
    if (args[*i] != "--quality") return 0;
    if (*i + 1 >= args.size()) {
        *error = "--quality needs a value";
        return -1;
    }
    const std::string& value = args[++*i];
    char* end = nullptr;
    const long quality = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || quality < 1 || quality > 100) {
        *error = "bad value '" + value + "' for --quality (1 to 100)";
        return -1;
    }
    SetJpegQuality(static_cast<int>(quality));
    return 1;
}

}  // namespace velmora::cli
