// Message boxes: an installable handler; by default the text goes to
// standard error and the answer is OK.
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/host_code.h"
#include "velmora/encoding.h"
#include "velmora/application.h"

namespace {

std::mutex g_boxLock;
MessageBoxHandler g_handler;  // empty: the default

int DefaultMessageBox(const char* text, const char* caption, UINT) {
    std::string line;
    if (caption && *caption) line = GbkToUtf8(caption) + ": ";
    line += GbkToUtf8(text);
    std::fprintf(stderr, "%s\n", line.c_str());
    return IDOK;
}

MessageBoxHandler CurrentHandler() {
    std::lock_guard<std::mutex> lock(g_boxLock);
    return g_handler;
}

// The framework titles its boxes with the application's name: here the
// executable's name without directory or extension.
std::string ApplicationName() {
    std::string path = AfxGetApp()->GetModuleFileName().str();
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(g_boxLock);
    MessageBoxHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
    const char* shownText = text ? text : "";
    const char* shownCaption = caption ? caption : "";
    MessageBoxHandler handler = CurrentHandler();
    if (!handler) return DefaultMessageBox(shownText, shownCaption, type);
    int answer = IDOK;
    velmora::RunHostCode([&] { answer = handler(shownText, shownCaption, type); });
    return answer;
}

int AfxMessageBox(const char* text, UINT type, UINT) {
    std::string caption = ApplicationName();
    return MessageBoxA(GetThreadMainWindow(), text, caption.c_str(), type);
}
