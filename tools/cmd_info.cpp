// velmora info: what the library makes of an image file.
#include "tools/commands.h"
#include "velmora/cfile.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora info FILE\n"
    "Reads FILE (format by its extension) and prints its size, bit count, colours, gray flag,\n"
    "format code and whether the pixels went to memory or to a page file; for a GeoTIFF file also\n"
    "its coordinate system.\n";

void PrintInfo(const std::string& path, CNewDIB& dib) {
    int format = dib.GetFileFormat();
    std::string ext = GetDIBExt(format).c_str();
    std::printf("file:      %s\n", path.c_str());
    std::printf("format:    %d (%s)\n", format, ext.size() > 2 ? ext.substr(2).c_str() : ext.c_str());
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

}  // namespace

int RunInfo(const Args& args) {
    if (WantsHelp(args)) {
        std::printf("%s", kUsage);
        return kExitOk;
    }
    if (args.size() != 1) return UsageError("info needs one file");
    CNewDIB dib;
    try {
        if (!dib.ReadFile(args[0].c_str(), -1)) {
            PrintFailure("cannot read " + args[0], dib.GetLastErrorText());
            return kExitFailure;
        }
    } catch (const CFileException& e) {
        return ReportFileException(e);
    }
    PrintInfo(args[0], dib);
    return kExitOk;
}

}  // namespace velmora::cli
