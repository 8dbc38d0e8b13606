#include "tools/convert_depth.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "tools/commands.h"
#include "velmora/environment.h"
#include "velmora/formats.h"

namespace velmora::cli {

namespace {

struct DepthOptions {
    int colors = 256;
    bool dither = true;
};

DepthOptions& Options() {
    static DepthOptions options;
    return options;
}

bool ParseCount(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 4 || !std::all_of(text.begin(), text.end(), ::isdigit)) return false;
    *value = std::atoi(text.c_str());
    return *value >= low && *value <= high;
}

}  // namespace

bool ExtractDepthOptions(Args* args, std::string* error) {
    Args rest;
    for (size_t i = 0; i < args->size(); ++i) {
        const std::string& arg = (*args)[i];
        if (arg == "--no-dither") {
            Options().dither = false;
            continue;
        }
        if (arg != "--level" && arg != "--colors") {
            rest.push_back(arg);
            continue;
        }
        int value = 0;
        const bool level = arg == "--level";
        if (i + 1 >= args->size() || !ParseCount((*args)[i + 1], level ? 0 : 2, level ? 9 : 256, &value)) {
            *error = arg + (level ? " needs a level from 0 to 9" : " needs a count from 2 to 256");
            return false;
        }
        ++i;
        if (level) SetPngCompressionLevel(value);
        else Options().colors = value;
    }
    *args = rest;
    return true;
}

ConvertSteps DepthSteps(const std::string& input) {
    ConvertSteps steps;
    steps.colors = Options().colors;
    steps.dither = Options().dither;
    steps.note = [input](const std::string& what, const char* format) {
        if (!IsQuiet()) std::fprintf(stderr, "velmora: %s: %s for %s\n", input.c_str(), what.c_str(), format);
    };
    return steps;
}

bool FitDepthToFormat(CNewDIB* dib, int format, const std::string& input, const std::string& output,
                      std::string* error) {
    if (format < 0) format = FormatOfPathExtension(output.c_str());
    return FitDIBToFormat(dib, format, DepthSteps(input), error);
}

}  // namespace velmora::cli
