// The host application's services the library calls on: the application
// object with its profile and module name, the thread's main window with
// synchronous messages, and message boxes. Each has a seam a host (or a
// test) can set.
#pragma once

#include <functional>

#include "velmora/cstring.h"
#include "velmora/wintypes.h"

// The application object. The profile is kept in an INI file when the host
// names one (SetProfileFile), otherwise in memory for the process.
class CWinApp {
public:
    // Absent string entries read as `defaultValue` (null: the empty string).
    CString GetProfileString(const char* section, const char* entry, const char* defaultValue = nullptr);
    // Parsed like GetPrivateProfileInt: sign, "0x" prefix, leading digits,
    // modulo 2^32; an absent or empty entry gives `defaultValue`.
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
    // As Windows profiles: a null entry removes the section, a null value the
    // entry. A profile file is rewritten at once; 0 when that fails.
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);

    // Path of the INI file behind the profile; empty returns to the in-memory store.
    void SetProfileFile(const char* path);
    CString GetProfileFile() const;

    // Full path of the running executable (from /proc/self/exe).
    CString GetModuleFileName() const;
    // Test seam: a fixed module file name; null returns to the real one.
    void SetModuleFileNameOverride(const char* path);
};

// The process's application object; never null.
CWinApp* AfxGetApp();

// A window is a callback. Registering one makes it the calling thread's
// main window; SendMessageA calls it synchronously and returns its result.
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
HWND RegisterMainWindow(WindowProc proc);
// Removes the calling thread's main window (if it is `wnd`, or any when null).
void UnregisterMainWindow(HWND wnd = nullptr);
// The calling thread's main window, or null when it has none.
HWND GetThreadMainWindow();
// Calls the window's procedure; 0 for a null or unknown handle.
LRESULT SendMessageA(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

// Message boxes. The handler gets the text and caption (GBK) and the type and
// returns the answer. The default writes both to standard error in UTF-8 and
// answers IDOK.
using MessageBoxHandler = std::function<int(const char* text, const char* caption, UINT type)>;
// Installs a handler (an empty one restores the default); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
