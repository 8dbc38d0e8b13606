// The library reports progress to the calling thread's main window; for the
// length of one call, that window is a callback's.
#pragma once

#include <exception>

#include "api/call_lock.h"
#include "platform/host_code.h"
#include "velmora/image.hpp"
#include "velmora/wintypes.h"

namespace velmora::api {

// Registers a window that passes step messages to `progress` (nothing when
// empty, so a host window registered before hears nothing of this call).
// An exception from `progress` is kept, never thrown through the library's
// code, and rethrown by Finish. `progress`, and any other host code the call
// reaches (a message box handler), runs with `lent` (the lock of the image
// the call works on, if any) lent out.
class ProgressScope {
public:
    explicit ProgressScope(const Progress& progress, CallLock* lent = nullptr);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    // Rethrows what the callback threw, if anything.
    void Finish();
    // After a success: 100 when the library's last step fell short of it.
    void Complete();

private:
    Progress m_progress;
    CallLock* m_lent;
    int m_last = -1;
    HWND m_wnd = nullptr;
    std::exception_ptr m_thrown;
    HostCodeScope m_hostCode;
};

}  // namespace velmora::api
