// velmora convert: the options of fitting an image to what the output
// format can hold (the library's FitDIBToFormat does the fitting).
#pragma once

#include <string>

#include "tools/commands.h"
#include "velmora/convert.h"

namespace velmora::cli {

// Takes --level N (the PNG zlib level, applied to the library setting at
// once), --colors N and --no-dither out of `args`. False, with `error` set,
// on a missing or bad value.
bool ExtractDepthOptions(Args* args, std::string* error);

// The steps of a conversion with the depth options given, saying what a fit
// did on standard error unless quiet (`input` names the image there).
ConvertSteps DepthSteps(const std::string& input);

// Converts `dib` to a depth the format of `output` (`format`, or by the
// output's extension when -1) holds, saying so on standard error unless
// quiet; `input` names the image there. True when nothing was needed or the
// conversion worked; false, with `error` set, when it failed.
bool FitDepthToFormat(CNewDIB* dib, int format, const std::string& input, const std::string& output,
                      std::string* error);

}  // namespace velmora::cli
