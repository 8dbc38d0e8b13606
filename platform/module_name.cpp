// The application's module file name: the running executable.
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "velmora/application.h"

namespace {

std::mutex g_moduleLock;
bool g_overridden = false;
std::string g_override;

std::string ExecutablePath() {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::string();
        if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= 65536) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

CString CWinApp::GetModuleFileName() const {
    {
        std::lock_guard<std::mutex> lock(g_moduleLock);
        if (g_overridden) return CString(g_override);
    }
    return CString(ExecutablePath());
}

void CWinApp::SetModuleFileNameOverride(const char* path) {
    std::lock_guard<std::mutex> lock(g_moduleLock);
    g_overridden = path != nullptr;
    g_override = path ? path : "";
}
