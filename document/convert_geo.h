// Saving a conversion's output so that a GeoTIFF input keeps its place on
// the map: a TIFF output carries the input's GeoTIFF tags and keys,
// recomputed for the turns and flips that were applied; any output gets an
// ESRI world file on request.
#pragma once

#include <string>

#include "velmora/convert.h"

namespace velmora {

// Saves `dib`, read from `input` as an image of `width` x `height` and then
// transformed by `steps.transforms`, as `output` in `format` (-1: the
// library's rule by extension); `fitted` is the format it was fitted to.
// Fills `result` on failure.
void SaveConverted(CNewDIB& dib, const std::string& input, const std::string& output, int format, int fitted,
                   const ConvertSteps& steps, int width, int height, ConvertResult* result);

}  // namespace velmora
