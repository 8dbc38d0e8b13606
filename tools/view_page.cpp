#include "tools/view_page.h"

namespace velmora::cli {

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
           "-bit</div>\n<div id=\"view\"></div>\n<script>\n"
           "OpenSeadragon({id: \"view\", prefixUrl: \"openseadragon/images/\", tileSources: \"image.dzi\",\n"
           "               showNavigator: true, maxZoomPixelRatio: 4});\n"
           "</script>\n</body></html>\n";
}

}  // namespace velmora::cli
