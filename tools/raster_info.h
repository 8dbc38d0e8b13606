// What `velmora info` says about a TIFF's samples as stored (through
// <velmora/raster.hpp>), apart from the picture's figures: bands, sample
// type, blocks, compression, overviews and no-data.
#pragma once

#include <string>

namespace velmora::cli {

// ", \"bands\": 3, \"sample_type\": \"uint16\", \"block\": [256, 256],
// \"compression\": \"deflate\", \"overviews\": [2, 4], \"nodata\": -9999" for a
// TIFF file; empty when the raster layer cannot open it.
std::string RasterJson(const std::string& path);

// The same as lines of text ("bands:     3\n..."); empty likewise.
std::string RasterText(const std::string& path);

// For a TIFF whose picture the library refuses (complex samples, half
// floats): its description from the raster layer alone, with its
// geotransform, and why there is no picture (`pictureFailure`), after
// `before`. False, with nothing printed, when the raster layer cannot open
// it either.
bool DescribeRasterOnly(const std::string& path, bool json, const std::string& pictureFailure, const char* before);

}  // namespace velmora::cli
