#include <gtest/gtest.h>

#include <thread>

#include "support/test_support.h"
#include "velmora/application.h"
#include "velmora/messages.h"

namespace {

TEST(MainWindow, NoneUntilRegistered) {
    EXPECT_EQ(GetThreadMainWindow(), nullptr);
    EXPECT_EQ(SendMessageA(nullptr, DIBM_STEPPROGRESS, 10, 0), 0);
}

TEST(MainWindow, SendRunsTheProcedureBeforeReturning) {
    bool handled = false;
    HWND wnd = RegisterMainWindow([&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        EXPECT_EQ(self, GetThreadMainWindow());
        handled = msg == DIBM_STEPPROGRESS && w == 30 && l == 5;
        return 77;
    });
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(GetThreadMainWindow(), wnd);
    EXPECT_EQ(SendMessageA(wnd, DIBM_STEPPROGRESS, 30, 5), 77);
    EXPECT_TRUE(handled);
    UnregisterMainWindow(wnd);
    EXPECT_EQ(GetThreadMainWindow(), nullptr);
    EXPECT_EQ(SendMessageA(wnd, DIBM_STEPPROGRESS, 30, 5), 0) << "a stale handle reaches nothing";
}

TEST(MainWindow, NestedWindowHandsTheRoleBack) {
    vtest::RecordingWindow outer;
    {
        vtest::RecordingWindow inner(5);
        EXPECT_NE(inner.Handle(), outer.Handle());
        EXPECT_EQ(GetThreadMainWindow(), inner.Handle());
        EXPECT_EQ(SendMessageA(GetThreadMainWindow(), DIBM_ENDPROGRESS, 0, 0), 5);
        EXPECT_EQ(inner.Count(DIBM_ENDPROGRESS), 1);
    }
    EXPECT_EQ(GetThreadMainWindow(), outer.Handle());
    EXPECT_TRUE(outer.messages.empty());
}

TEST(MainWindow, EachThreadHasItsOwn) {
    vtest::RecordingWindow mine;
    HWND seenByOther = mine.Handle();
    HWND otherOwn = nullptr;
    LRESULT sentFromOther = 0;
    std::thread other([&] {
        seenByOther = GetThreadMainWindow();
        HWND own = RegisterMainWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 1; });
        otherOwn = GetThreadMainWindow();
        // A send from another thread still reaches the window synchronously.
        sentFromOther = SendMessageA(mine.Handle(), DIBM_STEPPROGRESS, 50, 0);
        UnregisterMainWindow(own);
    });
    other.join();
    EXPECT_EQ(seenByOther, nullptr);
    EXPECT_NE(otherOwn, nullptr);
    EXPECT_NE(otherOwn, mine.Handle());
    EXPECT_EQ(sentFromOther, 0);
    EXPECT_EQ(mine.Steps(), std::vector<WPARAM>{50});
    EXPECT_EQ(GetThreadMainWindow(), mine.Handle());
}

TEST(MainWindow, WindowsOfAnEndedThreadAreGone) {
    HWND left = nullptr;
    std::thread other([&] { left = RegisterMainWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 9; }); });
    other.join();
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(SendMessageA(left, 1, 0, 0), 0);
}

TEST(MainWindow, ProcedureMaySendInTurn) {
    HWND wnd = nullptr;
    wnd = RegisterMainWindow([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        return msg == 1 ? SendMessageA(wnd, 2, 0, 0) + 1 : 10;
    });
    EXPECT_EQ(SendMessageA(wnd, 1, 0, 0), 11);
    UnregisterMainWindow();
    EXPECT_EQ(GetThreadMainWindow(), nullptr);
}

TEST(MessageBox, HandlerInstallAndRestore) {
    {
        vtest::RecordingMessageBoxes boxes;
        EXPECT_EQ(AfxMessageBox("\xB4\xF2\xBF\xAA", MB_ICONERROR), IDOK);
        EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK), IDOK);
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[0].text, "\xB4\xF2\xBF\xAA");
        EXPECT_EQ(boxes.boxes[0].type, MB_ICONERROR);
        EXPECT_EQ(boxes.boxes[1].caption, "caption");
        {
            vtest::RecordingMessageBoxes nested;
            AfxMessageBox("inner");
            EXPECT_EQ(nested.boxes.size(), 1u);
        }
        AfxMessageBox("outer again");
        EXPECT_EQ(boxes.boxes.size(), 3u);
    }
    // The default writes to standard error (in UTF-8) and answers OK.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "\xB4\xF2\xBF\xAA", "cap", MB_OK), IDOK);
    std::string shown = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(shown, "cap: \xE6\x89\x93\xE5\xBC\x80\n");
}

}  // namespace
