#include "tools/option_parser.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace velmora::cli {

namespace {

bool Listed(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

bool SplitArgs(const Args& args, const std::vector<std::string>& flags, const std::vector<std::string>& valued,
               ParsedArgs* parsed, std::string* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (Listed(flags, arg)) {
            parsed->options.emplace_back(arg, "");
        } else if (Listed(valued, arg)) {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            parsed->options.emplace_back(arg, args[++i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        } else {
            parsed->files.push_back(arg);
        }
    }
    return true;
}

bool ParseIntIn(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isdigit(c);
        }))
        return false;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < low || v > high) return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace velmora::cli
