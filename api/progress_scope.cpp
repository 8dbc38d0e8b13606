#include "api/progress_scope.h"

#include "velmora/application.h"
#include "velmora/messages.h"

namespace velmora::api {

ProgressScope::ProgressScope(const Progress& progress) {
    m_wnd = RegisterMainWindow([this, progress](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (!progress || m_thrown) return 0;
        try {
            if (message == DIBM_STEPPROGRESS) progress(static_cast<int>(wParam));
            else if (message == DIBM_BEGINPROGRESS) progress(0);
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

}  // namespace velmora::api
