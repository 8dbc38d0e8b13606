// velmora info: what the library makes of an image file, for people or, with
// --json, for scripts.
#include <algorithm>
#include <cstdio>
#include <string>

#include "tools/commands.h"
#include "tools/file_kind.h"
#include "tools/geo_info.h"
#include "velmora/cfile.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora info [--json] FILE\n"
    "Reads FILE (format by its extension) and prints its size, bit count, colours, gray flag,\n"
    "format code and whether the pixels went to memory or to a page file; for a GeoTIFF file also\n"
    "its coordinate system. With --json, one JSON object on standard output (with \"geotiff\" for a\n"
    "GeoTIFF file).\n";

struct InfoRequest {
    std::string file;
    bool json = false;
};

bool ParseRequest(const Args& args, InfoRequest* request, std::string* error) {
    int files = 0;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            request->json = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        } else {
            request->file = arg;
            ++files;
        }
    }
    if (files != 1) *error = "info needs one file";
    return files == 1;
}

std::string FormatName(int format) {
    const std::string ext = GetDIBExt(format).c_str();  // "*.BMP"
    return ext.size() > 2 ? ext.substr(2) : ext;
}

void PrintText(const std::string& path, CNewDIB& dib) {
    const int format = dib.GetFileFormat();
    std::printf("file:      %s\n", path.c_str());
    std::printf("format:    %d (%s)\n", format, FormatName(format).c_str());
    std::printf("size:      %d x %d\n", dib.GetWidth(), dib.GetHeight());
    std::printf("bit count: %d\n", dib.GetBitCount());
    std::printf("colours:   %d\n", dib.GetColorNumber());
    std::printf("gray:      %s\n", dib.GetGrayProp() ? "yes" : "no");
    std::printf("row bytes: %lu\n", dib.GetBytesPerLine());
    std::printf("storage:   %s\n", dib.IsMapped() ? "page file" : "memory");
    if (format == DIBTYPE_TIF) {
        const std::string system = CoordinateSystemOf(path);
        if (!system.empty()) std::printf("crs:       %s\n", system.c_str());
    }
}

void PrintJson(const std::string& path, CNewDIB& dib) {
    const int format = dib.GetFileFormat();
    std::printf("{\"file\": %s, \"format\": %s, \"format_code\": %d, \"width\": %d, \"height\": %d, "
                "\"bit_count\": %d, \"colours\": %d, \"gray\": %s, \"bytes_per_line\": %lu, \"storage\": \"%s\"%s}\n",
                JsonString(AsUtf8(path)).c_str(), JsonString(FormatName(format)).c_str(), format, dib.GetWidth(),
                dib.GetHeight(), dib.GetBitCount(), dib.GetColorNumber(), dib.GetGrayProp() ? "true" : "false",
                dib.GetBytesPerLine(), dib.IsMapped() ? "page-file" : "memory",
                format == DIBTYPE_TIF ? GeoTiffJson(path, dib.GetWidth(), dib.GetHeight()).c_str() : "");
}

int Info(const InfoRequest& request) {
    CNewDIB dib;
    if (!dib.ReadFile(request.file.c_str(), InputFormat(request.file))) {
        PrintFailure("cannot read " + request.file, dib.GetLastErrorText());
        return kExitFailure;
    }
    if (request.json) PrintJson(request.file, dib);
    else PrintText(request.file, dib);
    return kExitOk;
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
