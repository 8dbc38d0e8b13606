#include "raster/gdal_metadata.h"

#include <cstdlib>

namespace velmora::raster {

namespace {

std::string Unescape(const std::string& text) {
    static const struct {
        const char* entity;
        char c;
    } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& e : kEntities) {
            const std::string entity = e.entity;
            if (text.compare(i, entity.size(), entity) == 0) {
                out += e.c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

// The value of attribute `name` in an element's opening tag.
std::string Attribute(const std::string& tag, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = tag.find(key);
    if (at == std::string::npos) return std::string();
    const size_t start = at + key.size();
    const size_t end = tag.find('"', start);
    return end == std::string::npos ? std::string() : Unescape(tag.substr(start, end - start));
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

std::vector<MetadataItem> ParseGdalMetadata(const std::string& xml) {
    std::vector<MetadataItem> items;
    size_t at = 0;
    while ((at = xml.find("<Item", at)) != std::string::npos) {
        const size_t tagEnd = xml.find('>', at);
        if (tagEnd == std::string::npos) break;
        const std::string tag = xml.substr(at, tagEnd - at);
        MetadataItem item;
        item.name = Attribute(tag, "name");
        item.role = Attribute(tag, "role");
        const std::string sample = Attribute(tag, "sample");
        if (!sample.empty()) item.band = std::atoi(sample.c_str());
        if (tag.back() == '/') {
            at = tagEnd + 1;
        } else {
            const size_t close = xml.find("</Item>", tagEnd);
            if (close == std::string::npos) break;
            item.value = Unescape(xml.substr(tagEnd + 1, close - tagEnd - 1));
            at = close + 7;
        }
        items.push_back(item);
    }
    return items;
}

std::string FormatGdalMetadata(const std::vector<MetadataItem>& items) {
    if (items.empty()) return std::string();
    std::string xml = "<GDALMetadata>\n";
    for (const MetadataItem& item : items) {
        xml += "  <Item name=\"" + Escape(item.name) + "\"";
        if (item.band >= 0) xml += " sample=\"" + std::to_string(item.band) + "\"";
        if (!item.role.empty()) xml += " role=\"" + Escape(item.role) + "\"";
        xml += ">" + Escape(item.value) + "</Item>\n";
    }
    return xml + "</GDALMetadata>\n";
}

}  // namespace velmora::raster
