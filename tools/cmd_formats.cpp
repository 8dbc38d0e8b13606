// velmora formats: the file types and the dialog filters built from them.
#include <string>

#include "tools/commands.h"
#include "velmora/environment.h"
#include "velmora/formats.h"

namespace velmora::cli {

namespace {

// The format code whose pattern is `pattern` ("*.BMP"), or -1.
int CodeOfPattern(const std::string& pattern) {
    for (int code = DIBTYPE_BMP; code < DIBTYPE_NONE; code++)
        if (pattern == GetDIBExt(code).c_str()) return code;
    return -1;
}

// The dialog filter lists "description|pattern|" per type, in its own order.
void PrintFileTypes() {
    std::printf("File types, in dialog-filter order:\n");
    std::printf("  %-4s  %-3s  %-7s  %s\n", "code", "ext", "pattern", "description");
    std::string filter = GetDIBFilter().c_str();
    size_t at = 0;
    for (;;) {
        size_t bar = filter.find('|', at);
        if (bar == std::string::npos || bar == at) break;
        size_t next = filter.find('|', bar + 1);
        if (next == std::string::npos) break;
        std::string label = filter.substr(at, bar - at);
        std::string pattern = filter.substr(bar + 1, next - bar - 1);
        std::string description = label.substr(0, label.find('('));
        std::printf("  %4d  %-3s  %-7s  %s\n", CodeOfPattern(pattern), pattern.substr(2).c_str(), pattern.c_str(),
                    ShowText(description.c_str()).c_str());
        at = next + 1;
    }
}

// A filter as the terminal can show it: as it stands, or, where the terminal
// has no Chinese, with each label's description replaced by its gloss.
std::string ShowFilter(const CString& filter) {
    if (TerminalShowsChinese()) return GbkToLocale(filter);
    std::string shown, text = filter.c_str();
    size_t at = 0;
    for (bool label = true; at < text.size(); label = !label) {
        size_t bar = text.find('|', at);
        if (bar == std::string::npos) bar = text.size();
        std::string part = text.substr(at, bar - at);
        const size_t paren = part.find('(');
        if (label && paren != std::string::npos) part = ShowText(part.substr(0, paren).c_str()) + part.substr(paren);
        shown += part + (bar < text.size() ? "|" : "");
        at = bar + 1;
    }
    return shown;
}

// "  BMP   reads: ...\n        writes: ...\n" per format (README.md has the same table).
void PrintSupport() {
    std::printf("\nWhat each format reads and writes:\n");
    for (int code = 0; code < FileFormatCount(); ++code) {
        const FileFormat& f = FileFormats()[code];
        std::printf("  %-5s reads:  %s\n        writes: %s\n", f.name, f.reads, f.writes);
    }
}

void PrintFilters() {
    std::printf("\nDialog filter:\n  %s\n", ShowFilter(GetDIBFilter()).c_str());
    std::printf("All-types filter:\n  %s\n", ShowFilter(GetAllDIBsFilter()).c_str());
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
    PrintSupport();
    PrintFilters();
    return kExitOk;
}

}  // namespace velmora::cli
