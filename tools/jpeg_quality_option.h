// velmora convert --quality N: the JPEG quality of what the command saves.
#pragma once

#include <cstddef>
#include <string>

#include "tools/commands.h"

namespace velmora::cli {

// 1 when args[*i] is --quality (its value, 1 to 100, taken into the
// library's setting and *i moved past it), 0 when it is not, -1 with
// `error` set on a missing or bad value.
int TakeQualityOption(const Args& args, size_t* i, std::string* error);

}  // namespace velmora::cli
