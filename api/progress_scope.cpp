#include "api/progress_scope.h"

#include "velmora/application.h"
#include "velmora/messages.h"

namespace velmora::api {

ProgressScope::ProgressScope(const Progress& progress, CallLock* lent)
    : m_progress(progress), m_lent(lent), m_hostCode([lent](const std::function<void()>& hostCode) {
          const LentOut out(lent);
          hostCode();
      }) {
    m_wnd = RegisterMainWindow([this](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (!m_progress || m_thrown) return 0;
        try {
            if (message == DIBM_STEPPROGRESS) m_last = static_cast<int>(wParam);
            else if (message == DIBM_BEGINPROGRESS) m_last = 0;
            else return 0;
            const LentOut lent(m_lent);
            m_progress(m_last);
        } catch (...) {
            m_thrown = std::current_exception();
        }
        return 0;
    });
}

ProgressScope::~ProgressScope() { UnregisterMainWindow(m_wnd); }

void ProgressScope::Finish() {
    if (m_thrown) std::rethrow_exception(m_thrown);
}

void ProgressScope::Complete() {
    if (!m_progress || m_last >= 100) return;
    const LentOut lent(m_lent);
    m_progress(100);
}

}  // namespace velmora::api
