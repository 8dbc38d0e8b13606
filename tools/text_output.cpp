// Library texts (GBK) shown on the terminal, and the tool's own messages.
#include <langinfo.h>

#include <clocale>
#include <cstdio>

#include "tools/commands.h"
#include "tools/text_glosses.h"
#include "velmora/application.h"
#include "velmora/encoding.h"

namespace velmora::cli {

namespace {

bool g_quiet = false;

// A library warning box: its text on standard error with its gloss,
// answered OK. The caption (the program's name or "error") adds nothing here.
int ShowMessageBox(const char* text, const char*, UINT) {
    std::fprintf(stderr, "velmora: %s\n", ShowText(text).c_str());
    return IDOK;
}

}  // namespace

void InitTerminalLocale() {
    std::setlocale(LC_ALL, "");
    // Numbers are printed the same in every locale.
    std::setlocale(LC_NUMERIC, "C");
    SetMessageBoxHandler(ShowMessageBox);
}

void SetQuiet(bool quiet) { g_quiet = quiet; }
bool IsQuiet() { return g_quiet; }

std::string GbkToLocale(const char* gbk) { return ConvertGbk(gbk, nl_langinfo(CODESET)); }

std::string ShowText(const char* gbk) { return ShowLibraryText(gbk, nl_langinfo(CODESET)); }

bool TerminalShowsChinese() {
    const char kProbe[] = "\xD6\xD0\xCE\xC4";  // "中文" in GBK
    return GbkToLocale(kProbe).find('?') == std::string::npos;
}

void PrintFailure(const std::string& what, const char* libraryText) {
    if (libraryText && *libraryText) std::fprintf(stderr, "velmora: %s: %s\n", what.c_str(), ShowText(libraryText).c_str());
    else std::fprintf(stderr, "velmora: %s\n", what.c_str());
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
