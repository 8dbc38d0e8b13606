// What `velmora info` says about a GeoTIFF file's georeferencing, apart from
// the rest of info so the two can change independently.
#pragma once

#include <string>

namespace velmora::cli {

// ", \"geotiff\": {...}" for a TIFF file with GeoTIFF tags (coordinate
// system, EPSG codes, geotransform and corners for an image of `width` x
// `height`, keys by name, GDAL's no-data value); empty otherwise. Always
// valid UTF-8.
std::string GeoTiffJson(const std::string& path, int width, int height);

// `text` as valid UTF-8: as it is when it already is, else converted from
// GBK, else with each byte from 0x80 up taken as the character of that code.
std::string AsUtf8(const std::string& text);

}  // namespace velmora::cli
