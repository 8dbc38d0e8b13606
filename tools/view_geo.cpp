#include "tools/view_geo.h"

#include "velmora/geotiff.h"

namespace velmora::cli {

std::optional<std::array<double, 6>> GeoTransformOf(const std::string& path) {
    CGeoTIFF geo;
    if (!geo.LoadGeoTIFFFile(path.c_str())) return std::nullopt;
    geo.PrepareGeoTags();  // the model values of the upright picture
    std::array<double, 6> t{};
    if (!geo.GetGeoTransform(t.data())) return std::nullopt;
    return t;
}

}  // namespace velmora::cli
