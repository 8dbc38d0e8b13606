#include "tools/progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <utility>

#include "velmora/application.h"
#include "velmora/messages.h"

namespace velmora::cli {

namespace {

constexpr unsigned kBarWidth = 30;
constexpr unsigned kPercentWidth = 5;  // " 100%"

// The terminal columns of the first `bytes` of `text` in the locale's
// encoding: two for wide characters; a byte that is no character counts one.
// Sets *fits to the longest prefix of at most `limit` columns.
unsigned Columns(const std::string& text, unsigned limit, size_t* fits) {
    std::mbstate_t state{};
    unsigned used = 0;
    size_t at = 0;
    *fits = 0;
    while (at < text.size()) {
        wchar_t wc = 0;
        size_t n = std::mbrtowc(&wc, text.data() + at, text.size() - at, &state);
        int width = 1;
        if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2) || n == 0) {
            n = 1;
            state = std::mbstate_t{};
        } else {
            width = std::max(0, wcwidth(wc));
        }
        used += static_cast<unsigned>(width);
        at += n;
        if (used <= limit) *fits = at;
    }
    return used;
}

}  // namespace

unsigned ProgressBar::TerminalColumns(std::FILE* out) {
    struct winsize size {};
    if (out && ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    const char* env = std::getenv("COLUMNS");
    const long columns = env ? std::strtol(env, nullptr, 10) : 0;
    return columns > 0 && columns < 10000 ? static_cast<unsigned>(columns) : 80;
}

ProgressBar::ProgressBar(std::FILE* out, bool enabled, CaptionConverter convert)
    : m_out(out), m_enabled(enabled), m_convert(std::move(convert)) {}

std::string ProgressBar::Render(const std::string& caption, unsigned percent, unsigned columns) {
    if (percent > 100) percent = 100;
    // The last column is left free: a frame that fills it wraps on some terminals.
    const unsigned room = columns ? columns - 1 : UINT_MAX;
    constexpr unsigned kFrame = kPercentWidth + 3, kCaptionRoom = 20, kShortBar = 10;
    std::string shown = caption;
    size_t fits = 0;
    unsigned bar = std::min(kBarWidth, room > kFrame ? room - kFrame : 0);
    // Too narrow for caption and bar: the bar gives way, down to a short one,
    // so that some of the caption stays.
    if (!shown.empty() && Columns(shown, UINT_MAX, &fits) + 1 + bar + kFrame > room && room > kFrame + kShortBar)
        bar = std::clamp(room > kFrame + kCaptionRoom ? room - kFrame - kCaptionRoom : 0, kShortBar, bar);
    const unsigned left = room > bar + 3 + kPercentWidth ? room - bar - 3 - kPercentWidth : 0;
    if (!shown.empty() && Columns(shown, left, &fits) + 1 > left) {
        Columns(shown, left > 2 ? left - 2 : 0, &fits);
        shown = left > 2 ? shown.substr(0, fits) + "~" : std::string();
    }
    unsigned filled = percent * bar / 100;
    std::string frame = shown.empty() ? std::string() : shown + " ";
    frame += "[" + std::string(filled, '#') + std::string(bar - filled, '-') + "] ";
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
    std::fprintf(m_out, "\r%s\033[K",
                 Render(m_caption, static_cast<unsigned>(m_percent), TerminalColumns(m_out)).c_str());
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
