// The settings options every subcommand accepts, anywhere on the line.
#pragma once

#include <string>

#include "tools/commands.h"

namespace velmora::cli {

struct SharedOptions {
    std::string virtualDir;  // empty: keep the library's
    std::string memoryLimit;
    std::string profile;
    bool quiet = false;  // --quiet or -q
};

// Moves the shared options (as "--name VALUE" or "--name=VALUE", and the
// flag --quiet or -q) from `args`
// into `options`, leaving the rest in order. An argument "--" ends the
// options; what follows it is kept as it stands. False, with `error` set, on
// an option without its value.
bool ExtractSharedOptions(Args* args, SharedOptions* options, std::string* error);

// Applies the options to the library settings: the profile first, so the
// other options override what it holds. False, with `error` set, on a bad value.
bool ApplySharedOptions(const SharedOptions& options, std::string* error);

// Bytes with an optional binary suffix K, M or G; false for anything else.
bool ParseByteCount(const std::string& text, unsigned long* bytes);

// The options' lines for --help.
const char* SharedOptionsHelp();

}  // namespace velmora::cli
