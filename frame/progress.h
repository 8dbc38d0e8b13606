// Progress messages to the host's main window.
#pragma once

#include "velmora/wintypes.h"

namespace velmora {

// Sends the three progress messages to one window; a null window sends nothing.
class ProgressReporter {
public:
    explicit ProgressReporter(HWND wnd) : m_hWnd(wnd) {}

    void Begin(const char* caption) const;
    void Step(unsigned long percent) const;
    void End() const;

    HWND Window() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

// The calling thread's main window: where transforms report progress.
ProgressReporter MainWindowProgress();

// k * 100 / divisor, and 100 when the divisor is 0 (an image too small to
// have a meaningful step count).
unsigned long StepPercent(unsigned long long k, unsigned long long divisor);

}  // namespace velmora
