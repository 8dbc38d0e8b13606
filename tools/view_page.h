// The viewer's page: OpenSeadragon on image.dzi, with the file's name, size
// and depth.
#pragma once

#include <string>

namespace velmora::cli {

struct ViewFacts {
    std::string name;  // the file's name, as the system spells it
    int width = 0, height = 0, bit_count = 0;
};

// `text` with &, <, >, " and ' as HTML entities.
std::string HtmlEscaped(const std::string& text);
std::string ViewPage(const ViewFacts& facts);

}  // namespace velmora::cli
