// Library texts (GBK) shown on the terminal, and the tool's own messages.
#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/commands.h"
#include "tools/text_glosses.h"
#include "velmora/application.h"
#include "velmora/encoding.h"
#include "velmora/system.h"

namespace velmora::cli {

namespace {

bool g_quiet = false;
// The text of the last message box, not yet printed: a box that announces
// the failure the operation then returns is printed once, with the tool's
// line for that failure (PrintFailure).
std::string g_pendingBox;

// A library warning box, answered OK. The caption (the program's name or
// "error") adds nothing here.
int ShowMessageBox(const char* text, const char*, UINT) {
    FlushMessageBoxes();
    g_pendingBox = text ? text : "";
    return IDOK;
}

// ": No such file or directory" for the system's reason behind the
// library's last failure; empty when there was none.
std::string SystemReason() {
    const int error = GetLastSystemError();
    return error ? std::string(": ") + std::strerror(error) : std::string();
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

void FlushMessageBoxes() {
    if (g_pendingBox.empty()) return;
    std::fprintf(stderr, "velmora: %s\n", ShowText(g_pendingBox.c_str()).c_str());
    g_pendingBox.clear();
}

std::string FailureText(const char* libraryText) {
    const std::string text = libraryText ? libraryText : "";
    if (!g_pendingBox.empty() && g_pendingBox == text) g_pendingBox.clear();  // said once, here
    FlushMessageBoxes();
    const std::string reason = SystemReason();
    return text.empty() ? (reason.empty() ? reason : reason.substr(2)) : ShowText(text.c_str()) + reason;
}

void PrintFailure(const std::string& what, const char* libraryText) {
    const std::string text = FailureText(libraryText);
    if (!text.empty()) std::fprintf(stderr, "velmora: %s: %s\n", what.c_str(), text.c_str());
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
