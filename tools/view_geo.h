// Where a GeoTIFF's pixels lie on the map, for the viewer's pointer.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace velmora::cli {

// GDAL's geotransform of the picture as the library reads it (x = t[0] +
// col * t[1] + row * t[2], y = t[3] + col * t[4] + row * t[5], at pixel
// corners); none for a file without one, or not a TIFF.
std::optional<std::array<double, 6>> GeoTransformOf(const std::string& path);

}  // namespace velmora::cli
