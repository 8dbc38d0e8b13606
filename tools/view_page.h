// The viewer's page: OpenSeadragon on image.dzi, with the file's name, size
// and depth, and for a GeoTIFF the world coordinates under the pointer.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace velmora::cli {

struct ViewFacts {
    std::string name;  // the file's name, as the system spells it
    int width = 0, height = 0, bit_count = 0;
    // A GeoTIFF's geotransform: the page shows the world coordinates under
    // the pointer.
    std::optional<std::array<double, 6>> geotransform;
};

// `text` with &, <, >, " and ' as HTML entities.
std::string HtmlEscaped(const std::string& text);
std::string ViewPage(const ViewFacts& facts);

}  // namespace velmora::cli
