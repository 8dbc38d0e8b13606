// velmora formats: the file types and the dialog filters built from them.
#include "environment/file_types.h"
#include "tools/commands.h"
#include "velmora/environment.h"

namespace velmora::cli {

namespace {

void PrintFileTypes() {
    std::printf("File types, in dialog-filter order:\n");
    std::printf("  %-4s  %-3s  %-7s  %s\n", "code", "ext", "pattern", "description");
    for (int i = 0; i < FileTypeCount(); i++) {
        const FileType& type = FileTypes()[i];
        std::printf("  %4d  %-3s  %-7s  %s\n", type.code, type.extension, GetDIBExt(type.code).c_str(),
                    GbkToLocale(type.description).c_str());
    }
}

void PrintFilters() {
    std::printf("\nDialog filter:\n  %s\n", GbkToLocale(GetDIBFilter()).c_str());
    std::printf("All-types filter:\n  %s\n", GbkToLocale(GetAllDIBsFilter()).c_str());
    std::printf("\nDefault type: %d (%s)\n", GetDefaultDIBType(), GetDIBExt(-1).c_str());
}

}  // namespace

int RunFormats(const Args& args) {
    if (WantsHelp(args)) {
        std::printf("usage: velmora formats\nLists the file types the library reads and writes.\n");
        return kExitOk;
    }
    if (!args.empty()) return UsageError("formats takes no arguments");
    PrintFileTypes();
    PrintFilters();
    return kExitOk;
}

}  // namespace velmora::cli
