#include "frame/progress.h"

#include "velmora/application.h"
#include "velmora/messages.h"

namespace velmora {

void ProgressReporter::Begin(const char* caption) const {
    if (m_hWnd) SendMessageA(m_hWnd, DIBM_BEGINPROGRESS, 0, reinterpret_cast<LPARAM>(caption));
}

void ProgressReporter::Step(unsigned long percent) const {
    if (m_hWnd) SendMessageA(m_hWnd, DIBM_STEPPROGRESS, static_cast<WPARAM>(percent), 0);
}

void ProgressReporter::End() const {
    if (m_hWnd) SendMessageA(m_hWnd, DIBM_ENDPROGRESS, 0, 0);
}

ProgressReporter MainWindowProgress() { return ProgressReporter(GetThreadMainWindow()); }

unsigned long StepPercent(unsigned long long k, unsigned long long divisor) {
    if (divisor == 0) return 100;
    return static_cast<unsigned long>(k * 100 / divisor);
}

}  // namespace velmora
