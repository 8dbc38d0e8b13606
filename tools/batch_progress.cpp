#include "tools/batch_progress.h"

#include <unistd.h>

#include "tools/commands.h"
#include "velmora/application.h"
#include "velmora/messages.h"

namespace velmora::cli {

BatchProgress::BatchProgress(size_t files, int stepsPerFile, bool show)
    : m_bar(stderr, show && isatty(STDERR_FILENO) != 0, nullptr),
      m_hWnd(RegisterMainWindow([this](HWND, UINT msg, WPARAM w, LPARAM l) { return Handle(msg, w, l); })),
      m_files(files ? files : 1),
      m_steps(stepsPerFile > 0 ? stepsPerFile : 1) {}

BatchProgress::~BatchProgress() {
    m_bar.End();
    UnregisterMainWindow(m_hWnd);
}

unsigned BatchProgress::Overall(size_t file, size_t files, int step, int steps, unsigned long percent) {
    if (files == 0 || steps <= 0) return 100;
    if (percent > 100) percent = 100;
    if (step >= steps) step = steps - 1;
    if (file >= files) return 100;
    // Hundredths of one step, counted over the whole run.
    const unsigned long long done = (static_cast<unsigned long long>(file) * steps + step) * 100 + percent;
    return static_cast<unsigned>(done * 100 / (static_cast<unsigned long long>(files) * steps * 100));
}

void BatchProgress::StartFile(size_t index, const std::string& name) {
    m_file = index;
    m_step = 0;
    m_begun = false;
    m_name = name;
    m_doing.clear();
    Draw(0);
}

void BatchProgress::Draw(unsigned long percent) {
    std::string caption = "[" + std::to_string(m_file + 1) + "/" + std::to_string(m_files) + "] " + m_name;
    if (!m_doing.empty()) caption += ": " + m_doing;
    m_bar.Show(caption, Overall(m_file, m_files, m_step, m_steps, percent));
}

LRESULT BatchProgress::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case DIBM_BEGINPROGRESS:
            // Each operation on the file begins its own step.
            if (m_begun && m_step + 1 < m_steps) ++m_step;
            m_begun = true;
            m_doing = ShowText(reinterpret_cast<const char*>(lParam));
            Draw(0);
            break;
        case DIBM_STEPPROGRESS:
            Draw(static_cast<unsigned long>(wParam));
            break;
        case DIBM_ENDPROGRESS:
            Draw(100);
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace velmora::cli
