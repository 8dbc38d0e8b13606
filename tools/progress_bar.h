// A one-line progress bar on the terminal, fed by the library's progress
// messages to the thread's main window.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "velmora/wintypes.h"

namespace velmora::cli {

// Draws "<caption> [#####-----]  50%" on one line, redrawn in place. Steps
// without a Begin draw a bar without caption; End finishes the line once and
// is harmless when nothing is shown.
class ProgressBar {
public:
    using CaptionConverter = std::function<std::string(const char* gbk)>;

    // Draws on `out` only when `enabled`; `convert` turns the GBK caption
    // into the terminal's encoding.
    ProgressBar(std::FILE* out, bool enabled, CaptionConverter convert);

    void Begin(const char* gbkCaption);
    void Step(unsigned long percent);
    void End();
    // Shows `caption` (already in the terminal's encoding) at `percent` on
    // the current line, starting one when none is shown; for displays that
    // compose their own captions.
    void Show(const std::string& caption, unsigned long percent);

    // The window procedure: handles the three progress messages, answers 0.
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    // One frame, without the leading carriage return. With `columns`, the
    // frame takes fewer than that many terminal columns (a line that wraps
    // cannot be redrawn in place): the caption is cut short ("~"), then the
    // bar narrowed.
    static std::string Render(const std::string& caption, unsigned percent, unsigned columns = 0);
    // The width of the terminal `out` is (its window size, else $COLUMNS,
    // else 80).
    static unsigned TerminalColumns(std::FILE* out);

private:
    void Draw();

    std::FILE* m_out;
    bool m_enabled;
    CaptionConverter m_convert;
    bool m_active = false;
    std::string m_caption;
    int m_percent = -1;  // last drawn, -1 before the first frame
};

// Registers a progress bar on standard error as the calling thread's main
// window for its lifetime. Silent when standard error is not a terminal or
// `show` is false.
class TerminalProgressWindow {
public:
    explicit TerminalProgressWindow(ProgressBar::CaptionConverter convert, bool show = true);
    ~TerminalProgressWindow();
    TerminalProgressWindow(const TerminalProgressWindow&) = delete;
    TerminalProgressWindow& operator=(const TerminalProgressWindow&) = delete;

private:
    ProgressBar m_bar;
    HWND m_hWnd;
};

}  // namespace velmora::cli
