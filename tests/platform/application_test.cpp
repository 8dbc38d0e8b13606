// The application object: the thread's main window and synchronous sends,
// message boxes, the profile over an INI file or memory.
#include "velmora/application.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "support/test_support.h"
#include "velmora/messages.h"

namespace {

// The answer depends on the arguments, so it shows the procedure ran before
// the send returned; a procedure may send in turn.
TEST(MainWindow, SendRunsTheProcedureBeforeReturning) {
    EXPECT_EQ(GetThreadMainWindow(), nullptr);
    EXPECT_EQ(SendMessageA(nullptr, DIBM_STEPPROGRESS, 10, 0), 0);
    HWND wnd = nullptr;
    wnd = RegisterMainWindow([&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        EXPECT_EQ(self, wnd);
        if (msg == 1) return SendMessageA(wnd, 2, 0, 0) + 1;
        return msg == DIBM_STEPPROGRESS && w == 30 && l == 5 ? 77 : 10;
    });
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(GetThreadMainWindow(), wnd);
    EXPECT_EQ(SendMessageA(wnd, DIBM_STEPPROGRESS, 30, 5), 77);
    EXPECT_EQ(SendMessageA(wnd, 1, 0, 0), 11);
    UnregisterMainWindow();
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
    HWND seenByOther = mine.Handle(), otherOwn = nullptr;
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

    HWND left = nullptr;
    std::thread ended([&] { left = RegisterMainWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 9; }); });
    ended.join();
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(SendMessageA(left, 1, 0, 0), 0) << "windows of an ended thread are gone";
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
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "cap: \xE6\x89\x93\xE5\xBC\x80\n");
}

void ExpectRoundTrip(CWinApp* app) {
    EXPECT_TRUE(app->WriteProfileString("DIBSetting", "VirtualPath", "/var/tmp/"));
    EXPECT_TRUE(app->WriteProfileInt("DIBSetting", "DIBType", -3));
    EXPECT_TRUE(app->WriteProfileInt("GeoDIBSetting", "Use MemMap", 1));
    EXPECT_EQ(app->GetProfileString("DIBSetting", "VirtualPath"), "/var/tmp/");
    EXPECT_EQ(static_cast<int>(app->GetProfileInt("DIBSetting", "DIBType", 0)), -3);
    EXPECT_EQ(app->GetProfileInt("GeoDIBSetting", "Use MemMap", 0), 1u);
    // Names are not case sensitive, as in Windows profiles.
    EXPECT_EQ(app->GetProfileString("dibsetting", "virtualpath"), "/var/tmp/");
    EXPECT_TRUE(app->WriteProfileString("DIBSetting", "VirtualPath", "/srv/"));
    EXPECT_EQ(app->GetProfileString("DIBSetting", "VirtualPath"), "/srv/");
}

// In memory, entries can also be deleted; through an INI file, a new reader
// sees the same values.
TEST(Profile, RoundTripInMemoryAndThroughAnIniFile) {
    {
        vtest::ScopedProfile memory("");
        ExpectRoundTrip(AfxGetApp());
        AfxGetApp()->WriteProfileString("DIBSetting", "VirtualPath", nullptr);
        AfxGetApp()->WriteProfileString("DIBSetting", "DIBType", nullptr);
        AfxGetApp()->WriteProfileString("GeoDIBSetting", nullptr, nullptr);
        EXPECT_EQ(AfxGetApp()->GetProfileString("DIBSetting", "VirtualPath", "gone"), "gone");
        EXPECT_EQ(AfxGetApp()->GetProfileInt("GeoDIBSetting", "Use MemMap", 42), 42u);
    }
    vtest::TempDir dir;
    std::string path = dir.file("host.ini");
    vtest::WriteAll(path, {';', ' ', 'h', '\n'});
    {
        vtest::ScopedProfile file(path);
        ExpectRoundTrip(AfxGetApp());
    }
    vtest::ScopedProfile again(path);
    EXPECT_EQ(AfxGetApp()->GetProfileString("DIBSetting", "VirtualPath"), "/srv/");
    EXPECT_EQ(static_cast<int>(AfxGetApp()->GetProfileInt("DIBSetting", "DIBType", 0)), -3);
    std::vector<unsigned char> bytes = vtest::ReadAll(path);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find("; h"), 0u) << "a host's comment is kept";
    EXPECT_NE(text.find("[GeoDIBSetting]\nUse MemMap=1\n"), std::string::npos);
    EXPECT_EQ(dir.List().size(), 1u) << "no temporary left behind";
}

TEST(Profile, AbsentEntriesReadAsDefaultsAndIntegersParseLikeWindows) {
    vtest::TempDir dir;
    std::string path = dir.file("ints.ini");
    const std::string text = "[S]\nhex=0x1F\nlead= 12abc\nword=abc\nempty=\nneg=-7\n";
    vtest::WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
    vtest::ScopedProfile file(path);
    CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileString("NoSection", "NoEntry"), "");
    EXPECT_EQ(app->GetProfileString("NoSection", "NoEntry", "dflt"), "dflt");
    EXPECT_EQ(app->GetProfileInt("NoSection", "NoEntry", -1), static_cast<UINT>(-1));
    EXPECT_EQ(app->GetProfileString(nullptr, "x", "d"), "d");
    EXPECT_EQ(app->GetProfileInt("S", "hex", 0), 31u);
    EXPECT_EQ(app->GetProfileInt("S", "lead", 0), 12u);
    EXPECT_EQ(app->GetProfileInt("S", "word", 5), 0u);
    EXPECT_EQ(app->GetProfileInt("S", "empty", 5), 5u);
    EXPECT_EQ(static_cast<int>(app->GetProfileInt("S", "neg", 0)), -7);
}

TEST(Profile, UnwritableFileReportsFailure) {
    vtest::ScopedProfile file("/nonexistent-dir/velmora.ini");
    EXPECT_FALSE(AfxGetApp()->WriteProfileString("S", "k", "v"));
    EXPECT_EQ(AfxGetApp()->GetProfileString("S", "k", "absent"), "absent");
}

}  // namespace
