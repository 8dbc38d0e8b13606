// The terminal progress bar, driven by the library's progress messages.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/progress_bar.h"
#include "velmora/application.h"
#include "velmora/messages.h"

namespace {

using velmora::cli::ProgressBar;

std::string Upper(const char* text) {
    std::string s = text;
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Frame(const std::string& caption, unsigned percent) {
    return "\r" + ProgressBar::Render(caption, percent) + "\033[K";
}

// A bar that draws into memory, with captions upper-cased as the "conversion".
class Bar : public ::testing::Test {
protected:
    ~Bar() override {
        std::fclose(m_file);
        std::free(m_data);
    }
    std::string Drawn() {
        std::fflush(m_file);
        return std::string(m_data, m_size);
    }
    char* m_data = nullptr;
    size_t m_size = 0;
    std::FILE* m_file = open_memstream(&m_data, &m_size);
    ProgressBar bar{m_file, true, Upper};
};

TEST_F(Bar, RendersCaptionBarAndPercent) {
    EXPECT_EQ(ProgressBar::Render("reading", 0), "reading [------------------------------]   0%");
    EXPECT_EQ(ProgressBar::Render("reading", 50), "reading [###############---------------]  50%");
    EXPECT_EQ(ProgressBar::Render("", 100), "[##############################] 100%");
    EXPECT_EQ(ProgressBar::Render("x", 250), ProgressBar::Render("x", 100));
    // Within a terminal's width (a wrapped line cannot be redrawn in place):
    // the caption is cut short first, then the bar narrowed.
    const std::string cut = ProgressBar::Render(std::string(100, 'a'), 50, 40);
    EXPECT_LE(cut.size(), 39u) << cut;
    EXPECT_NE(cut.find("a~ [#"), std::string::npos) << cut;
    EXPECT_LE(ProgressBar::Render("caption", 50, 12).size(), 11u);
    EXPECT_EQ(ProgressBar::Render("reading", 50, 80), ProgressBar::Render("reading", 50));
}

TEST_F(Bar, MessagesDrawConvertedCaptionAndFinishTheLine) {
    bar.Handle(DIBM_BEGINPROGRESS, 0, reinterpret_cast<LPARAM>("reading"));
    bar.Handle(DIBM_STEPPROGRESS, 10, 0);
    bar.Handle(DIBM_STEPPROGRESS, 10, 0);  // unchanged: not redrawn
    bar.Handle(DIBM_STEPPROGRESS, 100, 0);
    bar.Handle(DIBM_ENDPROGRESS, 0, 0);
    EXPECT_EQ(Drawn(), Frame("READING", 0) + Frame("READING", 10) + Frame("READING", 100) + "\n");
}

TEST_F(Bar, ToleratesEndsAndStepsWithoutBeginAndANewBeginFinishesTheLine) {
    bar.End();
    bar.Step(40);
    bar.End();
    bar.End();
    bar.Begin("a");
    bar.Begin(nullptr);
    EXPECT_EQ(Drawn(), Frame("", 40) + "\n" + Frame("A", 0) + "\n" + Frame("", 0));
}

TEST_F(Bar, DisabledBarWritesNothing) {
    ProgressBar silent(m_file, false, Upper);
    silent.Begin("reading");
    silent.Step(50);
    silent.End();
    EXPECT_EQ(Drawn(), "");
}

TEST(TerminalProgressWindow, ReceivesTheThreadsProgressMessages) {
    {
        velmora::cli::TerminalProgressWindow window(Upper);
        ASSERT_NE(GetThreadMainWindow(), nullptr);
        EXPECT_EQ(SendMessageA(GetThreadMainWindow(), DIBM_STEPPROGRESS, 30, 0), 0);
    }
    EXPECT_EQ(GetThreadMainWindow(), nullptr);
}

}  // namespace
