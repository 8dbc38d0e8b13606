// velmora convert: keeping a GeoTIFF input on the map. A TIFF output carries
// the input's GeoTIFF tags and keys, recomputed for the turns and flips that
// were applied; any output gets an ESRI world file on request.
#pragma once

#include <string>

#include "tools/convert_request.h"

namespace velmora::cli {

// Saves `dib`, read from `input` as an image of `width` x `height` and then
// transformed by `request.transforms`, as `output` in `request.format`.
// False when the image cannot be written (the library's text, GBK, in
// `why`) or the requested world file cannot (said on standard error, `why`
// empty).
bool SaveConverted(CNewDIB& dib, const std::string& input, const std::string& output, const ConvertRequest& request,
                   int width, int height, std::string* why);

}  // namespace velmora::cli
