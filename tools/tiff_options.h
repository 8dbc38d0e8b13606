// velmora convert --compress none|deflate|lzw|jpeg: the TIFF compression of
// the saves that follow (the library's setting, process-wide).
#pragma once

#include <cstddef>
#include <string>

#include "tools/commands.h"

namespace velmora::cli {

// 1 when args[*i] is a TIFF option (its value taken, *i moved past it), 0
// when it is not, -1 with `error` set on a missing or unknown value.
int TakeTiffOption(const Args& args, size_t* i, std::string* error);

}  // namespace velmora::cli
