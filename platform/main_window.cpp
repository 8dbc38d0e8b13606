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

// The windows a thread registered. A thread that ends takes its windows with
// it, so that no send reaches a callback whose captures are gone.
struct ThreadWindows {
    std::vector<HWND> stack;
    ~ThreadWindows() {
        std::lock_guard<std::mutex> lock(g_windowLock);
        for (HWND wnd : stack) g_windows.erase(wnd);
    }
};
thread_local ThreadWindows t_windows;

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
    t_windows.stack.push_back(wnd);
    return wnd;
}

void UnregisterMainWindow(HWND wnd) {
    if (t_windows.stack.empty()) return;
    if (!wnd) wnd = t_windows.stack.back();
    auto found = std::find(t_windows.stack.begin(), t_windows.stack.end(), wnd);
    if (found == t_windows.stack.end()) return;
    t_windows.stack.erase(found);
    std::lock_guard<std::mutex> lock(g_windowLock);
    g_windows.erase(wnd);
}

HWND GetThreadMainWindow() { return t_windows.stack.empty() ? nullptr : t_windows.stack.back(); }

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
