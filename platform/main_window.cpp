// The thread's main window and synchronous messages to it.
//
// A window is a registered callback. Each thread keeps a stack of the windows
// it registered, the newest being its main window, so a window registered for
// a while (a progress display, a test) hands the role back when it goes.
#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "velmora/application.h"

namespace {

std::mutex g_windowLock;
std::map<HWND, WindowProc> g_windows;
uintptr_t g_lastHandle = 0;
thread_local std::vector<HWND> t_mainWindows;

HWND NewHandle() {
    // Handles are never reused, so a stale one finds no window. Spaced like
    // pointers only so that they look like the handles hosts are used to.
    ++g_lastHandle;
    return reinterpret_cast<HWND>(g_lastHandle << 4);
}

}  // namespace

HWND RegisterMainWindow(WindowProc proc) {
    if (!proc) return nullptr;
    HWND wnd;
    {
        std::lock_guard<std::mutex> lock(g_windowLock);
        wnd = NewHandle();
        g_windows[wnd] = std::move(proc);
    }
    t_mainWindows.push_back(wnd);
    return wnd;
}

void UnregisterMainWindow(HWND wnd) {
    if (t_mainWindows.empty()) return;
    if (!wnd) wnd = t_mainWindows.back();
    auto found = std::find(t_mainWindows.begin(), t_mainWindows.end(), wnd);
    if (found == t_mainWindows.end()) return;
    t_mainWindows.erase(found);
    std::lock_guard<std::mutex> lock(g_windowLock);
    g_windows.erase(wnd);
}

HWND GetThreadMainWindow() { return t_mainWindows.empty() ? nullptr : t_mainWindows.back(); }

LRESULT SendMessageA(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!wnd) return 0;
    WindowProc proc;
    {
        std::lock_guard<std::mutex> lock(g_windowLock);
        auto found = g_windows.find(wnd);
        if (found == g_windows.end()) return 0;
        proc = found->second;
    }
    // Called outside the lock: the window may send or register in turn.
    return proc(wnd, message, wParam, lParam);
}
