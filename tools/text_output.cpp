// Library texts (GBK) converted for the terminal.
#include <langinfo.h>

#include <clocale>
#include <cstdio>

#include "velmora/encoding.h"
#include "tools/commands.h"

namespace velmora::cli {

void InitTerminalLocale() {
    std::setlocale(LC_ALL, "");
    // Numbers are printed the same in every locale.
    std::setlocale(LC_NUMERIC, "C");
}

std::string GbkToLocale(const char* gbk) { return ConvertGbk(gbk, nl_langinfo(CODESET)); }

void PrintFailure(const std::string& what, const char* libraryText) {
    std::fprintf(stderr, "velmora: %s: %s\n", what.c_str(), GbkToLocale(libraryText).c_str());
}

int ReportFileException(const CFileException& e) {
    std::fprintf(stderr, "velmora: %s\n", e.what());
    return kExitFailure;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "velmora: %s\nTry 'velmora --help'.\n", message.c_str());
    return kExitUsage;
}

bool WantsHelp(const Args& args) {
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") return true;
    return false;
}

}  // namespace velmora::cli
