// The terminal progress bar, driven by the library's progress messages.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

// The tool's sources are not a library; build the one under test in here.
#include "tools/progress_bar.cpp"

namespace {

using velmora::cli::ProgressBar;

// Collects what a progress bar writes.
class Capture {
public:
    Capture() : m_file(open_memstream(&m_data, &m_size)) {}
    ~Capture() {
        if (m_file) std::fclose(m_file);
        std::free(m_data);
    }
    std::FILE* file() { return m_file; }
    std::string text() {
        std::fflush(m_file);
        return std::string(m_data, m_size);
    }

private:
    char* m_data = nullptr;
    size_t m_size = 0;
    std::FILE* m_file;
};

std::string Upper(const char* text) {
    std::string s = text;
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Frame(const std::string& caption, unsigned percent) {
    return "\r" + ProgressBar::Render(caption, percent) + "\033[K";
}

TEST(ProgressBar, RendersCaptionBarAndPercent) {
    EXPECT_EQ(ProgressBar::Render("reading", 0), "reading [------------------------------]   0%");
    EXPECT_EQ(ProgressBar::Render("reading", 50), "reading [###############---------------]  50%");
    EXPECT_EQ(ProgressBar::Render("", 100), "[##############################] 100%");
    EXPECT_EQ(ProgressBar::Render("x", 250), ProgressBar::Render("x", 100));
}

TEST(ProgressBar, MessagesDrawConvertedCaptionAndFinishTheLine) {
    Capture out;
    ProgressBar bar(out.file(), true, Upper);
    bar.Handle(DIBM_BEGINPROGRESS, 0, reinterpret_cast<LPARAM>("reading"));
    bar.Handle(DIBM_STEPPROGRESS, 10, 0);
    bar.Handle(DIBM_STEPPROGRESS, 10, 0);  // unchanged: not redrawn
    bar.Handle(DIBM_STEPPROGRESS, 100, 0);
    bar.Handle(DIBM_ENDPROGRESS, 0, 0);
    EXPECT_EQ(out.text(), Frame("READING", 0) + Frame("READING", 10) + Frame("READING", 100) + "\n");
}

TEST(ProgressBar, ToleratesEndTwiceEndWithoutBeginAndStepsWithoutBegin) {
    Capture out;
    ProgressBar bar(out.file(), true, Upper);
    bar.End();
    bar.Step(40);
    bar.End();
    bar.End();
    EXPECT_EQ(out.text(), Frame("", 40) + "\n");
}

TEST(ProgressBar, NewBeginFinishesAnUnfinishedBar) {
    Capture out;
    ProgressBar bar(out.file(), true, Upper);
    bar.Begin("a");
    bar.Begin(nullptr);
    EXPECT_EQ(out.text(), Frame("A", 0) + "\n" + Frame("", 0));
}

TEST(ProgressBar, DisabledBarWritesNothing) {
    Capture out;
    ProgressBar bar(out.file(), false, Upper);
    bar.Begin("reading");
    bar.Step(50);
    bar.End();
    EXPECT_EQ(out.text(), "");
}

TEST(ProgressBar, TerminalWindowReceivesTheThreadsProgressMessages) {
    {
        velmora::cli::TerminalProgressWindow window(Upper);
        HWND main = GetThreadMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(SendMessageA(main, DIBM_STEPPROGRESS, 30, 0), 0);
    }
    EXPECT_EQ(GetThreadMainWindow(), nullptr);
}

}  // namespace
