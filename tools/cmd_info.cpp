// velmora info: what the library makes of an image file, for people or, with
// --json, for scripts.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/file_kind.h"
#include "tools/geo_info.h"
#include "tools/raster_info.h"
#include "tools/std_streams.h"
#include "velmora/cfile.h"
#include "velmora/environment.h"
#include "velmora/image_info.h"
#include "velmora/newdib.h"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora info [--json] FILE...\n"
    "Reads each FILE's headers (format by its extension; no pixels are decoded) and prints its size,\n"
    "bit count, colours, format code and whether a read would keep the pixels in memory or in a page\n"
    "file; for a GeoTIFF file also its coordinate system. With --json, one JSON object per file on\n"
    "standard output (with \"geotiff\" for a GeoTIFF file), in an array when there are several\n"
    "(a file that cannot be read is then {\"file\": ..., \"error\": ...}).\n";

struct InfoRequest {
    std::vector<std::string> files;
    bool json = false;
};

bool ParseRequest(const Args& args, InfoRequest* request, std::string* error) {
    for (const std::string& arg : args) {
        if (arg == "--json") {
            request->json = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        } else {
            request->files.push_back(arg);
        }
    }
    if (request->files.empty()) *error = "info needs at least one file";
    return !request->files.empty();
}

std::string FormatName(int format) {
    const std::string ext = GetDIBExt(format).c_str();  // "*.BMP"
    return ext.size() > 2 ? ext.substr(2) : ext;
}

void PrintText(const std::string& path, const DIBFileInfo& info) {
    const int format = info.format;
    std::printf("file:      %s\n", path.c_str());
    std::printf("format:    %d (%s)\n", format, FormatName(format).c_str());
    std::printf("size:      %d x %d\n", info.width, info.height);
    std::printf("bit count: %d\n", info.bitCount);
    std::printf("colours:   %d\n", info.colors);
    std::printf("row bytes: %lu\n", info.bytesPerLine);
    std::printf("storage:   %s\n", info.pageFile ? "page file" : "memory");
    if (format == DIBTYPE_TIF) std::printf("%s", RasterText(path).c_str());
    if (info.orientation != 1) std::printf("orientation: %d (shown upright)\n", info.orientation);
    if (format == DIBTYPE_TIF && (info.geoKeys || info.geoModel)) {
        const std::string system = CoordinateSystemOf(path);
        if (!system.empty()) std::printf("crs:       %s\n", system.c_str());
    }
}

// Said only of a picture stored turned, so other files read as before.
std::string OrientationJson(int orientation) {
    return orientation == 1 ? std::string() : ", \"orientation\": " + std::to_string(orientation);
}

void PrintJson(const std::string& path, const DIBFileInfo& info) {
    const int format = info.format;
    std::printf("{\"file\": %s, \"format\": %s, \"format_code\": %d, \"width\": %d, \"height\": %d, "
                "\"bit_count\": %d, \"colours\": %d, \"bytes_per_line\": %lu, \"storage\": \"%s\"%s%s%s}",
                JsonString(AsUtf8(path)).c_str(), JsonString(FormatName(format)).c_str(), format, info.width,
                info.height, info.bitCount, info.colors, info.bytesPerLine, info.pageFile ? "page-file" : "memory",
                OrientationJson(info.orientation).c_str(),
                format == DIBTYPE_TIF ? GeoTiffJson(path, info.width, info.height).c_str() : "",
                format == DIBTYPE_TIF ? RasterJson(path).c_str() : "");
}

// One file: `before` and its description, or its failure on standard error
// (and in a JSON array, `before` and an error object). False when it could
// not be read; *printed tells whether anything went to standard output.
bool DescribeFile(const std::string& path, const InfoRequest& request, const char* before, bool* printed) {
    DIBFileInfo info;
    CString failure;
    const bool array = request.json && request.files.size() > 1;
    *printed = false;
    std::string file = path, error;
    if (!ResolveInput(&file, &error)) {
        std::fprintf(stderr, "velmora: %s\n", error.c_str());
        return false;
    }
    if (!ReadDIBFileInfo(file.c_str(), InputFormat(file), &info, &failure)) {
        const std::string text = FailureText(failure);
        // A TIFF whose picture is refused may still have values to describe.
        if (SniffFormat(file) == DIBTYPE_TIF) {
            if (DescribeRasterOnly(file, request.json, text, before)) {
                if (request.json && !array) std::printf("\n");
                *printed = true;
                return true;
            }
        }
        std::fprintf(stderr, "velmora: cannot read %s%s%s\n", path.c_str(), text.empty() ? "" : ": ", text.c_str());
        if (array) std::printf("%s{\"file\": %s, \"error\": %s}", before, JsonString(AsUtf8(path)).c_str(), JsonString(AsUtf8(text)).c_str());
        *printed = array;
        return false;
    }
    std::printf("%s", before);
    if (request.json) PrintJson(path, info);
    else PrintText(path, info);
    if (request.json && !array) std::printf("\n");
    *printed = true;
    return true;
}

int Info(const InfoRequest& request) {
    const bool array = request.json && request.files.size() > 1;
    const char* separator = array ? ",\n" : request.json ? "" : "\n";
    if (array) std::printf("[\n");
    int status = kExitOk;
    bool any = false;
    for (const std::string& file : request.files) {
        bool printed = false;
        if (!DescribeFile(file, request, any ? separator : "", &printed)) status = kExitFailure;
        any = any || printed;
    }
    if (array) std::printf("\n]\n");
    return status;
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

int RunInfo(const Args& args) { return RunRequest<InfoRequest>(args, kUsage, ParseRequest, Info); }

}  // namespace velmora::cli
