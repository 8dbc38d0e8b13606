// velmora info: the georeferencing of a GeoTIFF file, as a line of the text
// report and as the "geotiff" object of the JSON one.
#include "tools/geo_info.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "tools/commands.h"
#include "velmora/encoding.h"
#include "velmora/geotiff.h"

namespace velmora::cli {

namespace {

constexpr short kUserDefined = 32767;
constexpr short kModelProjected = 1, kModelGeographic = 2, kModelGeocentric = 3;
constexpr int kDoubleParams = 34736, kAsciiParams = 34737;

std::string Code(short value) { return std::to_string(static_cast<WORD>(value)); }

std::string Named(const char* citation) { return citation && *citation ? std::string(" (") + citation + ")" : ""; }

const char* FirstText(const CGeoTIFF& geo, int key, int fallback) {
    const char* text = geo.GetTextGeoKey(key);
    return text && *text ? text : geo.GetTextGeoKey(fallback);
}

bool Loaded(CGeoTIFF& geo, const std::string& path) {
    if (!geo.LoadGeoTIFFFile(path.c_str())) return false;
    geo.PrepareGeoTags();
    return true;
}

// The model type decides first: a geocentric system names its datum with
// the same key a geographic one uses.
std::string SystemOf(CGeoTIFF& geo) {
    WORD* keys;
    WORD count;
    geo.GetGeoKeyDirectoryTag(&keys, &count);
    if (!keys) {
        double* model;
        int n;
        geo.GetModelTiepointTag(&model, &n);
        if (!model) geo.GetModelTransformationTag(&model, &n);
        return model ? "none named (model tags only)" : "";
    }
    const short model = geo.GetShortGeoKey(1024);
    const short projected = geo.GetShortGeoKey(3072), geographic = geo.GetShortGeoKey(2048);
    const char* projectedName = FirstText(geo, 3073, 1026);
    const char* geographicName = FirstText(geo, 2049, 1026);
    if (model == kModelGeocentric) return "geocentric" + Named(FirstText(geo, 1026, 2049));
    if (projected != -1 && projected != kUserDefined) return "projected, EPSG:" + Code(projected) + Named(projectedName);
    if (model == kModelProjected) return "projected, user-defined" + Named(projectedName);
    if (geographic != -1 && geographic != kUserDefined)
        return "geographic, EPSG:" + Code(geographic) + Named(geographicName);
    if (model == kModelGeographic) return "geographic, user-defined" + Named(geographicName);
    return "unknown" + Named(geo.GetTextGeoKey(1026));
}

bool IsUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = text[i];
        // Continuation bytes after a lead byte of two, three or four.
        const size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 4;
        if (extra == 4 || (extra > 0 && i + extra >= text.size())) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        i += extra + 1;
    }
    return true;
}

std::string Json(const std::string& text) { return JsonString(AsUtf8(text)); }

// Full precision; JSON has no NaN or infinity.
std::string Number(double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Point(const double t[6], double col, double row) {
    return "[" + Number(t[0] + col * t[1] + row * t[2]) + ", " + Number(t[3] + col * t[4] + row * t[5]) + "]";
}

// The GeoKeys of the file's key directory as they are stored, by name
// ("GeoKey N" for a number without one): a number, an array of numbers, or
// text.
std::string KeysJson(CGeoTIFF& geo) {
    WORD* dir = nullptr;
    WORD count = 0;
    geo.GetGeoKeyDirectoryTag(&dir, &count);
    if (!dir || count < 4) return "{}";
    double* doubles = nullptr;
    int doubleCount = 0;
    geo.GetGeoDoubleParamsTag(&doubles, &doubleCount);
    char* ascii = nullptr;
    int asciiCount = 0;
    geo.GetGeoAsciiParamsTag(&ascii, &asciiCount);
    std::string out;
    const size_t keys = std::min<size_t>(dir[3], (count - 4u) / 4u);
    for (size_t i = 0; i < keys; ++i) {
        const WORD* entry = dir + 4 + 4 * i;  // id, location, count, value or offset
        const size_t n = entry[2], at = entry[3];
        std::string value;
        if (entry[1] == 0) {
            value = std::to_string(entry[3]);
        } else if (entry[1] == kDoubleParams && doubles && at + n <= static_cast<size_t>(doubleCount) && n > 0) {
            for (size_t k = 0; k < n; ++k) value += (k ? ", " : "") + Number(doubles[at + k]);
            if (n > 1) value = "[" + value + "]";
        } else if (entry[1] == kAsciiParams && ascii && at + n <= static_cast<size_t>(asciiCount)) {
            std::string text(ascii + at, n);
            while (!text.empty() && (text.back() == '|' || text.back() == '\0')) text.pop_back();  // the separator
            value = Json(text);
        } else {
            continue;  // a value the file does not hold
        }
        const char* name = CGeoTIFF::GeoKeyName(entry[0]);
        out += (out.empty() ? "" : ", ") + Json(name ? name : "GeoKey " + std::to_string(entry[0])) + ": " + value;
    }
    return "{" + out + "}";
}

std::string EpsgJson(const CGeoTIFF& geo) {
    const struct {
        const char* name;
        int key;
    } kinds[] = {{"projected", 3072}, {"geographic", 2048}, {"vertical", 4096}};
    std::string out;
    for (const auto& kind : kinds) {
        const short code = geo.GetShortGeoKey(kind.key);
        if (code <= 0 || code == kUserDefined) continue;
        out += (out.empty() ? "" : ", ") + JsonString(kind.name) + ": " + Code(code);
    }
    return "{" + out + "}";
}

// GDAL's geotransform and the corners gdalinfo lists.
std::string TransformJson(const CGeoTIFF& geo, int width, int height) {
    double t[6];
    if (!geo.GetGeoTransform(t)) return "";
    std::string out = ", \"geotransform\": [";
    for (int i = 0; i < 6; ++i) out += (i ? ", " : "") + Number(t[i]);
    out += "], \"corner_coordinates\": {\"upper_left\": " + Point(t, 0, 0) + ", \"lower_left\": " +
           Point(t, 0, height) + ", \"upper_right\": " + Point(t, width, 0) + ", \"lower_right\": " +
           Point(t, width, height) + ", \"center\": " + Point(t, width / 2.0, height / 2.0) + "}";
    return out;
}

}  // namespace

std::string AsUtf8(const std::string& text) {
    if (IsUtf8(text)) return text;
    const std::string converted = GbkToUtf8(text.c_str());
    // The conversion marks what is not GBK with '?'.
    if (std::count(converted.begin(), converted.end(), '?') == std::count(text.begin(), text.end(), '?') &&
        text.find('\0') == std::string::npos)
        return converted;
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string CoordinateSystemOf(const std::string& path) {
    CGeoTIFF geo;
    return Loaded(geo, path) ? SystemOf(geo) : "";
}

std::string GeoTiffJson(const std::string& path, int width, int height) {
    CGeoTIFF geo;
    if (!Loaded(geo, path)) return "";
    const std::string system = SystemOf(geo);
    if (system.empty()) return "";
    std::string out = ", \"geotiff\": {\"crs\": " + Json(system) + ", \"keys\": " + KeysJson(geo) +
                      ", \"epsg\": " + EpsgJson(geo) + TransformJson(geo, width, height);
    if (const char* noData = geo.GetGdalNoData()) out += ", \"nodata\": " + Json(noData);
    return out + ", \"bigtiff\": " + (geo.IsBigTIFF() ? "true" : "false") + "}";
}

}  // namespace velmora::cli
