#include "tools/progress_bar.h"

#include <unistd.h>

#include <utility>

#include "velmora/application.h"
#include "velmora/messages.h"

namespace velmora::cli {

namespace {

constexpr unsigned kBarWidth = 30;

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, bool enabled, CaptionConverter convert)
    : m_out(out), m_enabled(enabled), m_convert(std::move(convert)) {}

std::string ProgressBar::Render(const std::string& caption, unsigned percent) {
    if (percent > 100) percent = 100;
    unsigned filled = percent * kBarWidth / 100;
    std::string frame = caption.empty() ? std::string() : caption + " ";
    frame += "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] ";
    std::string number = std::to_string(percent);
    frame += std::string(3 - number.size(), ' ') + number + "%";
    return frame;
}

void ProgressBar::Begin(const char* gbkCaption) {
    if (m_active) End();  // a new operation before the last one ended
    m_caption = gbkCaption && m_convert ? m_convert(gbkCaption) : std::string();
    m_active = true;
    m_percent = -1;
    Step(0);
}

void ProgressBar::Step(unsigned long percent) {
    int clamped = percent > 100 ? 100 : static_cast<int>(percent);
    if (!m_active) {
        m_active = true;
        m_caption.clear();
    }
    if (clamped == m_percent) return;  // nothing new to show
    m_percent = clamped;
    Draw();
}

void ProgressBar::Show(const std::string& caption, unsigned long percent) {
    const int clamped = percent > 100 ? 100 : static_cast<int>(percent);
    if (m_active && caption == m_caption && clamped == m_percent) return;
    m_active = true;
    m_caption = caption;
    m_percent = clamped;
    Draw();
}

void ProgressBar::End() {
    if (!m_active) return;
    m_active = false;
    if (m_enabled) {
        std::fputc('\n', m_out);
        std::fflush(m_out);
    }
}

void ProgressBar::Draw() {
    if (!m_enabled) return;
    // "\033[K" clears what a longer earlier frame left on the line.
    std::fprintf(m_out, "\r%s\033[K", Render(m_caption, static_cast<unsigned>(m_percent)).c_str());
    std::fflush(m_out);
}

LRESULT ProgressBar::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case DIBM_BEGINPROGRESS:
            Begin(reinterpret_cast<const char*>(lParam));
            break;
        case DIBM_STEPPROGRESS:
            Step(static_cast<unsigned long>(wParam));
            break;
        case DIBM_ENDPROGRESS:
            End();
            break;
        default:
            break;
    }
    return 0;
}

TerminalProgressWindow::TerminalProgressWindow(ProgressBar::CaptionConverter convert, bool show)
    : m_bar(stderr, show && isatty(STDERR_FILENO) != 0, std::move(convert)),
      m_hWnd(RegisterMainWindow([this](HWND, UINT msg, WPARAM w, LPARAM l) { return m_bar.Handle(msg, w, l); })) {}

TerminalProgressWindow::~TerminalProgressWindow() {
    m_bar.End();
    UnregisterMainWindow(m_hWnd);
}

}  // namespace velmora::cli
