// A subcommand's own arguments split into its options and its files, so
// each command lists the options it takes instead of walking the line.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/commands.h"

namespace velmora::cli {

struct ParsedArgs {
    std::vector<std::pair<std::string, std::string>> options;  // name, value ("" for a flag), in order
    std::vector<std::string> files;
};

// Splits `args`: a name in `flags` stands alone, one in `valued` takes the
// next argument as its value, anything else starting with '-' (other than
// "-" itself) is unknown. False, with `error` set, on an unknown option or a
// missing value.
bool SplitArgs(const Args& args, const std::vector<std::string>& flags, const std::vector<std::string>& valued,
               ParsedArgs* parsed, std::string* error);

// A decimal number from `low` to `high` and nothing else; false otherwise.
bool ParseIntIn(const std::string& text, int low, int high, int* value);

}  // namespace velmora::cli
