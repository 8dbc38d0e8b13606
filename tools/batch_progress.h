// One progress bar for a run over many files: the library's progress
// messages for each file (reading, each transform, saving) move a single bar
// across the whole run.
#pragma once

#include <cstddef>
#include <string>

#include "tools/progress_bar.h"

namespace velmora::cli {

class BatchProgress {
public:
    // Registers itself as the thread's main window (over any other) for its
    // lifetime. `stepsPerFile` counts the operations that report progress for
    // one file. Draws on standard error when `show` and it is a terminal.
    BatchProgress(size_t files, int stepsPerFile, bool show);
    ~BatchProgress();
    BatchProgress(const BatchProgress&) = delete;
    BatchProgress& operator=(const BatchProgress&) = delete;

    // The file being worked on from now on (index counts from 0).
    void StartFile(size_t index, const std::string& name);

    // Percent of the whole run when operation `step` of `steps` on file
    // `file` of `files` is `percent` done.
    static unsigned Overall(size_t file, size_t files, int step, int steps, unsigned long percent);

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Draw(unsigned long percent);

    ProgressBar m_bar;
    HWND m_hWnd;
    size_t m_files;
    int m_steps;
    size_t m_file = 0;
    int m_step = 0;
    bool m_begun = false;
    std::string m_name;
    std::string m_doing;  // the library's caption, shown
};

}  // namespace velmora::cli
