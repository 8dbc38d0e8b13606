// velmora convert: fitting an image to what the output format can hold.
// The library's saves refuse a depth their format cannot hold; the tool
// widens indexed images (1, 2, 4 bits to the next depth the format takes),
// brings 16 and 32-bit images to 24 where the format holds 24, and reduces
// the rest to 8 bits with a palette chosen for the image.
#pragma once

#include <string>

#include "tools/commands.h"
#include "velmora/newdib.h"

namespace velmora::cli {

// Takes --level N (the PNG zlib level, applied to the library setting at
// once), --colors N and --no-dither out of `args`. False, with `error` set,
// on a missing or bad value.
bool ExtractDepthOptions(Args* args, std::string* error);

// Converts `dib` to a depth the format of `output` (`format`, or by the
// output's extension when -1) holds, saying so on standard error unless
// quiet; `input` names the image there. True when nothing was needed or the
// conversion worked; false, with `error` set, when it failed.
bool FitDepthToFormat(CNewDIB* dib, int format, const std::string& input, const std::string& output,
                      std::string* error);

}  // namespace velmora::cli
