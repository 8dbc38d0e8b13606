// Library-wide settings and their persistence in the host's profile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/test_support.h"
#include "velmora/application.h"
#include "velmora/environment.h"

namespace {

// Points the application's profile at a fresh INI file for one test.
class ScopedIniProfile {
public:
    ScopedIniProfile() : m_previous(AfxGetApp()->GetProfileFile()) {
        AfxGetApp()->SetProfileFile(m_dir.file("host.ini").c_str());
    }
    ~ScopedIniProfile() { AfxGetApp()->SetProfileFile(m_previous); }
    std::string path() const { return m_dir.file("host.ini"); }

private:
    vtest::TempDir m_dir;
    CString m_previous;
};

std::string ExpectedInitialDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

// Every other test puts the settings back (ScopedSettings), so these are
// still the values the library started with.
TEST(Settings, FreshLibraryHasLoadTimeValues) {
    EXPECT_STREQ(GetVirtualDirectory(), ExpectedInitialDirectory().c_str());
    EXPECT_EQ(GetLoadImageNumber(), 1);
    EXPECT_EQ(GetImageUseMemSize(), 0UL);
    EXPECT_EQ(GetDefaultDIBType(), DIBTYPE_BMP);
    EXPECT_STREQ(GetDIBExt(-1), "*.BMP");
}

TEST(Settings, SettersStoreValuesUnchecked) {
    vtest::ScopedSettings keep;
    SetVirtualDirectory("D:\\Temp");
    EXPECT_STREQ(GetVirtualDirectory(), "D:\\Temp");  // no separator added
    SetLoadImageNumber(-4);
    EXPECT_EQ(GetLoadImageNumber(), -4);
    SetImageUseMemSize(5000000000UL);
    EXPECT_EQ(GetImageUseMemSize(), 5000000000UL);
}

TEST(Settings, DefaultDIBTypeIgnoresCodesOutsideTheTable) {
    vtest::ScopedSettings keep;
    SetDefaultDIBType(DIBTYPE_PNG);
    SetDefaultDIBType(6);
    SetDefaultDIBType(-1);
    EXPECT_EQ(GetDefaultDIBType(), DIBTYPE_PNG);
    EXPECT_STREQ(GetDIBExt(-1), "*.PNG");
}

TEST(Settings, SaveThenLoadRoundTripsThroughAnIniFile) {
    vtest::ScopedSettings keep;
    ScopedIniProfile profile;
    SetVirtualDirectory("/var/pages/");
    SetDefaultDIBType(DIBTYPE_GIF);
    SaveDIBSetting();

    SetVirtualDirectory("/elsewhere/");
    SetDefaultDIBType(DIBTYPE_BMP);
    LoadDIBSetting();
    EXPECT_STREQ(GetVirtualDirectory(), "/var/pages/");
    EXPECT_EQ(GetDefaultDIBType(), DIBTYPE_GIF);

    // The file really holds the entries.
    std::ifstream in(profile.path());
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("[DIBSetting]"), std::string::npos);
    EXPECT_NE(all.find("/var/pages/"), std::string::npos);
}

TEST(Settings, SaveThenLoadRoundTripsThroughTheMemoryProfile) {
    vtest::ScopedSettings keep;
    CString previous = AfxGetApp()->GetProfileFile();
    AfxGetApp()->SetProfileFile("");
    SetVirtualDirectory("/mem/pages/");
    SetDefaultDIBType(DIBTYPE_TIF);
    SaveDIBSetting();
    EXPECT_STREQ(AfxGetApp()->GetProfileString("DIBSetting", "DIBType"), "1");

    SetVirtualDirectory("/x/");
    SetDefaultDIBType(DIBTYPE_BMP);
    LoadDIBSetting();
    EXPECT_STREQ(GetVirtualDirectory(), "/mem/pages/");
    EXPECT_EQ(GetDefaultDIBType(), DIBTYPE_TIF);
    AfxGetApp()->SetProfileFile(previous);
}

TEST(Settings, LoadStoresAnUnknownDIBTypeUnchanged) {
    vtest::ScopedSettings keep;
    ScopedIniProfile profile;
    AfxGetApp()->WriteProfileString("DIBSetting", "DIBType", "7");
    LoadDIBSetting();
    EXPECT_EQ(GetDefaultDIBType(), 7);
    EXPECT_STREQ(GetDIBExt(-1), "*.*");
}

TEST(Settings, LoadParsesOnlyALeadingNumber) {
    vtest::ScopedSettings keep;
    ScopedIniProfile profile;
    SetDefaultDIBType(DIBTYPE_PCX);
    AfxGetApp()->WriteProfileString("DIBSetting", "DIBType", "png");
    LoadDIBSetting();
    EXPECT_EQ(GetDefaultDIBType(), DIBTYPE_PCX);

    AfxGetApp()->WriteProfileString("DIBSetting", "DIBType", " 4 (jpeg)");
    LoadDIBSetting();
    EXPECT_EQ(GetDefaultDIBType(), DIBTYPE_JPG);

    AfxGetApp()->WriteProfileString("DIBSetting", "DIBType", "99999999999999999999");
    LoadDIBSetting();
    EXPECT_STREQ(GetDIBExt(-1), "*.*");
}

TEST(Settings, LoadKeepsTheDirectoryWhenTheEntryIsEmptyOrAbsent) {
    vtest::ScopedSettings keep;
    ScopedIniProfile profile;
    SetVirtualDirectory("/kept/");
    LoadDIBSetting();
    EXPECT_STREQ(GetVirtualDirectory(), "/kept/");
    AfxGetApp()->WriteProfileString("DIBSetting", "VirtualPath", "");
    LoadDIBSetting();
    EXPECT_STREQ(GetVirtualDirectory(), "/kept/");
}

TEST(Settings, MemmapModeIsReadFromTheHostEntryAndCopiedAsZeroOrOne) {
    vtest::ScopedSettings keep;
    ScopedIniProfile profile;
    EXPECT_EQ(GetMemmapMode(), 0);
    SaveDIBSetting();
    EXPECT_EQ(AfxGetApp()->GetProfileInt("DIBSetting", "MemmapMode", -1), 0U);

    AfxGetApp()->WriteProfileInt("GeoDIBSetting", "Use MemMap", 5);
    EXPECT_EQ(GetMemmapMode(), 1);
    SaveDIBSetting();
    EXPECT_EQ(AfxGetApp()->GetProfileInt("DIBSetting", "MemmapMode", -1), 1U);
}

}  // namespace
