#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"
#include "velmora/application.h"

namespace {

// Points the profile at a file (or memory, when empty) for one test.
class ScopedProfileFile {
public:
    explicit ScopedProfileFile(const std::string& path) : m_previous(AfxGetApp()->GetProfileFile()) {
        AfxGetApp()->SetProfileFile(path.c_str());
    }
    ~ScopedProfileFile() { AfxGetApp()->SetProfileFile(m_previous); }

private:
    CString m_previous;
};

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

TEST(Profile, RoundTripInMemory) {
    ScopedProfileFile memory("");
    ExpectRoundTrip(AfxGetApp());
    AfxGetApp()->WriteProfileString("DIBSetting", "VirtualPath", nullptr);
    AfxGetApp()->WriteProfileString("DIBSetting", "DIBType", nullptr);
    AfxGetApp()->WriteProfileString("GeoDIBSetting", nullptr, nullptr);
}

TEST(Profile, RoundTripThroughIniFileSurvivesANewReader) {
    vtest::TempDir dir;
    std::string path = dir.file("host.ini");
    vtest::WriteAll(path, {';', ' ', 'h', '\n'});
    {
        ScopedProfileFile file(path);
        ExpectRoundTrip(AfxGetApp());
    }
    // A store that starts from the file alone sees the same values.
    ScopedProfileFile again(path);
    CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileString("DIBSetting", "VirtualPath"), "/srv/");
    EXPECT_EQ(static_cast<int>(app->GetProfileInt("DIBSetting", "DIBType", 0)), -3);
    std::vector<unsigned char> bytes = vtest::ReadAll(path);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find("; h"), 0u) << "a host's comment is kept";
    EXPECT_NE(text.find("[GeoDIBSetting]\nUse MemMap=1\n"), std::string::npos);
    EXPECT_EQ(dir.List().size(), 1u) << "no temporary left behind";
}

TEST(Profile, AbsentEntriesReadAsDefaults) {
    ScopedProfileFile memory("");
    CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileString("NoSection", "NoEntry"), "");
    EXPECT_EQ(app->GetProfileString("NoSection", "NoEntry", "dflt"), "dflt");
    EXPECT_EQ(app->GetProfileInt("NoSection", "NoEntry", 42), 42u);
    EXPECT_EQ(app->GetProfileInt("NoSection", "NoEntry", -1), static_cast<UINT>(-1));
    EXPECT_EQ(app->GetProfileString(nullptr, "x", "d"), "d");
}

TEST(Profile, IntegersParseLikeWindowsProfiles) {
    vtest::TempDir dir;
    std::string path = dir.file("ints.ini");
    const std::string text = "[S]\nhex=0x1F\nlead= 12abc\nword=abc\nempty=\nneg=-7\n";
    vtest::WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
    ScopedProfileFile file(path);
    CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileInt("S", "hex", 0), 31u);
    EXPECT_EQ(app->GetProfileInt("S", "lead", 0), 12u);
    EXPECT_EQ(app->GetProfileInt("S", "word", 5), 0u);
    EXPECT_EQ(app->GetProfileInt("S", "empty", 5), 5u);
    EXPECT_EQ(static_cast<int>(app->GetProfileInt("S", "neg", 0)), -7);
}

TEST(Profile, UnwritableFileReportsFailure) {
    ScopedProfileFile file("/nonexistent-dir/velmora.ini");
    EXPECT_FALSE(AfxGetApp()->WriteProfileString("S", "k", "v"));
    EXPECT_EQ(AfxGetApp()->GetProfileString("S", "k", "absent"), "absent");
}

TEST(ModuleFileName, RealPathAndOverride) {
    CWinApp* app = AfxGetApp();
    CString real = app->GetModuleFileName();
    EXPECT_NE(real.Find("test_platform"), -1);
    app->SetModuleFileNameOverride("C:\\Host\\host.exe");
    EXPECT_EQ(app->GetModuleFileName(), "C:\\Host\\host.exe");
    app->SetModuleFileNameOverride(nullptr);
    EXPECT_EQ(app->GetModuleFileName(), real);
}

}  // namespace
