// Library-wide settings and their persistence in the host's profile, the
// file-type table with its filters, and colour matching.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/expect_rows.h"
#include "support/test_support.h"
#include "velmora/application.h"
#include "velmora/environment.h"

namespace {

// Every other test puts the settings back (ScopedSettings), so these are
// still the values the library started with.
TEST(Settings, FreshLibraryHasLoadTimeValues) {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    if (dir.back() != '/') dir += '/';
    EXPECT_STREQ(GetVirtualDirectory(), dir.c_str());
    EXPECT_EQ(GetLoadImageNumber(), 1);
    EXPECT_EQ(GetImageUseMemSize(), 0UL);
    EXPECT_EQ(GetDefaultDIBType(), DIBTYPE_BMP);
    EXPECT_STREQ(GetDIBExt(-1), "*.BMP");
}

TEST(Settings, SettersStoreValuesUncheckedExceptTypesOutsideTheTable) {
    vtest::ScopedSettings keep;
    SetVirtualDirectory("D:\\Temp");
    EXPECT_STREQ(GetVirtualDirectory(), "D:\\Temp");  // no separator added
    SetLoadImageNumber(-4);
    EXPECT_EQ(GetLoadImageNumber(), -4);
    SetImageUseMemSize(5000000000UL);
    EXPECT_EQ(GetImageUseMemSize(), 5000000000UL);
    SetDefaultDIBType(DIBTYPE_PNG);
    SetDefaultDIBType(6);
    SetDefaultDIBType(-1);
    EXPECT_EQ(GetDefaultDIBType(), DIBTYPE_PNG);
    EXPECT_STREQ(GetDIBExt(-1), "*.PNG");
}

// Saves a directory and type, disturbs both and loads them back.
void ExpectSaveLoadRoundTrip(const char* dir, int type) {
    SetVirtualDirectory(dir);
    SetDefaultDIBType(type);
    SaveDIBSetting();
    SetVirtualDirectory("/elsewhere/");
    SetDefaultDIBType(DIBTYPE_BMP);
    LoadDIBSetting();
    EXPECT_STREQ(GetVirtualDirectory(), dir);
    EXPECT_EQ(GetDefaultDIBType(), type);
}

TEST(Settings, SaveThenLoadRoundTripsThroughTheMemoryProfile) {
    vtest::ScopedSettings keep;
    vtest::ScopedProfile memory("");
    ExpectSaveLoadRoundTrip("/mem/pages/", DIBTYPE_TIF);
    EXPECT_STREQ(AfxGetApp()->GetProfileString("DIBSetting", "DIBType"), "1");
}

class IniSettings : public ::testing::Test {
protected:
    int LoadType(const char* entry) {
        AfxGetApp()->WriteProfileString("DIBSetting", "DIBType", entry);
        LoadDIBSetting();
        return GetDefaultDIBType();
    }
    vtest::ScopedSettings m_keep;
    vtest::TempDir m_dir;
    vtest::ScopedProfile m_profile{m_dir.file("host.ini")};
};

TEST_F(IniSettings, SaveThenLoadRoundTripsThroughTheFile) {
    ExpectSaveLoadRoundTrip("/var/pages/", DIBTYPE_GIF);
    std::vector<unsigned char> bytes = vtest::ReadAll(m_dir.file("host.ini"));
    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("[DIBSetting]"), std::string::npos);
    EXPECT_NE(text.find("/var/pages/"), std::string::npos);
}

TEST_F(IniSettings, LoadTakesALeadingNumberAndStoresUnknownTypesUnchanged) {
    SetDefaultDIBType(DIBTYPE_PCX);
    EXPECT_EQ(LoadType("png"), DIBTYPE_PCX);
    EXPECT_EQ(LoadType(" 4 (jpeg)"), DIBTYPE_JPG);
    LoadType("99999999999999999999");
    EXPECT_STREQ(GetDIBExt(-1), "*.*");
    EXPECT_EQ(LoadType("7"), 7);
    EXPECT_STREQ(GetDIBExt(-1), "*.*");
}

TEST_F(IniSettings, LoadKeepsTheDirectoryWhenTheEntryIsEmptyOrAbsent) {
    SetVirtualDirectory("/kept/");
    LoadDIBSetting();
    EXPECT_STREQ(GetVirtualDirectory(), "/kept/");
    AfxGetApp()->WriteProfileString("DIBSetting", "VirtualPath", "");
    LoadDIBSetting();
    EXPECT_STREQ(GetVirtualDirectory(), "/kept/");
}

TEST_F(IniSettings, MemmapModeIsReadFromTheHostEntryAndCopiedAsZeroOrOne) {
    EXPECT_EQ(GetMemmapMode(), 0);
    SaveDIBSetting();
    EXPECT_EQ(AfxGetApp()->GetProfileInt("DIBSetting", "MemmapMode", -1), 0U);
    AfxGetApp()->WriteProfileInt("GeoDIBSetting", "Use MemMap", 5);
    EXPECT_EQ(GetMemmapMode(), 1);
    SaveDIBSetting();
    EXPECT_EQ(AfxGetApp()->GetProfileInt("DIBSetting", "MemmapMode", -1), 1U);
}

TEST(FileTypes, FiltersByteForByteInTableOrder) {
    const std::string image = "\xCD\xBC\xCF\xF3\xCE\xC4\xBC\xFE";  // 图象文件
    EXPECT_EQ(GetDIBFilter().str(), "Bitmap" + image + "(*.BMP)|*.BMP|Gif" + image + "(*.GIF)|*.GIF|Jpg" + image +
                                        "(*.JPG)|*.JPG|Pcx" + image + "(*.PCX)|*.PCX|Tiff" + image +
                                        "(*.TIF)|*.TIF|Png" + image + "(*.PNG)|*.PNG||");
    // 所有图像文件, keeping the semicolon after the last described pattern.
    EXPECT_EQ(GetAllDIBsFilter().str(),
              "\xCB\xF9\xD3\xD0\xCD\xBC\xCF\xF1\xCE\xC4\xBC\xFE"
              "(*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG;)|*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG||");
}

TEST(FileTypes, DIBExtFollowsTheFileFormatCodesAndUnknownCodesGiveEveryFile) {
    const std::pair<CString, const char*> rows[] = {
        {GetDIBExt(DIBTYPE_BMP), "*.BMP"}, {GetDIBExt(DIBTYPE_TIF), "*.TIF"},
        {GetDIBExt(DIBTYPE_PCX), "*.PCX"}, {GetDIBExt(DIBTYPE_GIF), "*.GIF"},
        {GetDIBExt(DIBTYPE_JPG), "*.JPG"}, {GetDIBExt(DIBTYPE_PNG), "*.PNG"},
        {GetDIBExt(DIBTYPE_NONE), "*.*"},  {GetDIBExt(-2), "*.*"},
        {GetDIBExt(1 << 30), "*.*"}};
    vtest::ExpectRows(rows);
}

// Nearest entry wins, ties go to the lower index, the top byte is ignored and
// an empty table is never read.
TEST(MatchColor, NearestEntryWins) {
    const DWORD table[] = {0x000000, 0xFFFFFF, 0x102030, 0x102030, 0x0000FF}, high[] = {0xFF000000, 0x00808080};
    const std::pair<int, int> rows[] = {
        {MatchColorIndex(5, table, 0x112131), 2},   {MatchColorIndex(5, table, 0x0000F0), 4},
        {MatchColorIndex(5, table, 0xFEFEFE), 1},   {MatchColorIndex(2, high, 0x00000001), 0},
        {MatchColorIndex(2, high, 0xAA7F7F7F), 1},  {MatchColorIndex(0, nullptr, 0x123456), 0},
        {MatchColorIndex(-2, nullptr, 0x123456), 0}};
    vtest::ExpectRows(rows);
}

}  // namespace
