// The library reports progress to the calling thread's main window; for the
// length of one call, that window is a callback's.
#pragma once

#include <exception>

#include "velmora/image.hpp"
#include "velmora/wintypes.h"

namespace velmora::api {

// Registers a window that passes step messages to `progress` (nothing when
// empty, so a host window registered before hears nothing of this call).
// An exception from `progress` is kept, never thrown through the library's
// code, and rethrown by Finish.
class ProgressScope {
public:
    explicit ProgressScope(const Progress& progress);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    // Rethrows what the callback threw, if anything.
    void Finish();
    // After a success: 100 when the library's last step fell short of it.
    void Complete();

private:
    Progress m_progress;
    int m_last = -1;
    HWND m_wnd = nullptr;
    std::exception_ptr m_thrown;
};

}  // namespace velmora::api
