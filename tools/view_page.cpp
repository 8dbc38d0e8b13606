#include "tools/view_page.h"

#include <cstdio>

namespace velmora::cli {

namespace {

// The geotransform as a script value: an array, or null.
std::string GeoTransformScript(const std::optional<std::array<double, 6>>& t) {
    if (!t) return "null";
    std::string out = "[";
    for (size_t i = 0; i < t->size(); ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%.17g", (*t)[i]);
        out += (i ? ", " : "") + std::string(number);
    }
    return out + "]";
}

// Shows the world coordinates of the image pixel under the pointer, with
// as many decimals as a pixel's size needs.
const char kPointerScript[] =
    "if (geotransform) {\n"
    "  const t = geotransform, where = document.getElementById(\"where\");\n"
    "  const decimals = Math.min(12, Math.max(0, Math.ceil(-Math.log10(Math.hypot(t[1], t[4]) || 1)) + 1));\n"
    "  new OpenSeadragon.MouseTracker({element: viewer.element, moveHandler: function (e) {\n"
    "    const p = viewer.viewport.viewerElementToImageCoordinates(e.position);\n"
    "    where.textContent = \" \\u2014 x \" + (t[0] + p.x * t[1] + p.y * t[2]).toFixed(decimals) +\n"
    "                        \", y \" + (t[3] + p.x * t[4] + p.y * t[5]).toFixed(decimals);\n"
    "  }});\n"
    "}\n";

}  // namespace

std::string HtmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string ViewPage(const ViewFacts& facts) {
    const std::string name = HtmlEscaped(facts.name);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + name +
           "</title>\n<style>html,body{margin:0;height:100%;background:#222;color:#ddd;font:14px sans-serif}"
           "#info{padding:4px 8px}#view{position:absolute;top:26px;bottom:0;left:0;right:0}</style>\n"
           "<script src=\"openseadragon/openseadragon.min.js\"></script></head>\n<body>\n<div id=\"info\">" +
           name + " &mdash; " + std::to_string(facts.width) + " &times; " + std::to_string(facts.height) +
           " pixels, " + std::to_string(facts.bit_count) +
           "-bit<span id=\"where\"></span></div>\n<div id=\"view\"></div>\n<script>\n"
           "const viewer = OpenSeadragon({id: \"view\", prefixUrl: \"openseadragon/images/\", tileSources: \"image.dzi\",\n"
           "                              showNavigator: true, maxZoomPixelRatio: 4});\n"
           "const geotransform = " + GeoTransformScript(facts.geotransform) + ";\n" + kPointerScript +
           "</script>\n</body></html>\n";
}

}  // namespace velmora::cli
