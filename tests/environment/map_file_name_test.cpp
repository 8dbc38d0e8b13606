// Page-file naming with a fixed clock and taken names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "environment/map_file_name.h"
#include "support/test_support.h"
#include "velmora/environment.h"

namespace {

class MapFileName : public ::testing::Test {
protected:
    void SetUp() override { SetVirtualDirectory(m_dir.dir().c_str()); }
    void Touch(const std::string& name) { vtest::WriteAll(m_dir.file(name), {1}); }

    vtest::ScopedSettings m_keep;
    vtest::TempDir m_dir;
};

TEST_F(MapFileName, StartsAtMinuteTimesSecondInUpperCaseHex) {
    vtest::ScopedClock clock(10, 7, 59);  // 7 * 59 = 413 = 0x19D
    EXPECT_EQ(CreateMapFileName().str(), m_dir.dir() + "Page19D.dat");
}

TEST_F(MapFileName, TakenFileMovesToTheNextNumber) {
    vtest::ScopedClock clock(10, 0, 0);
    EXPECT_EQ(CreateMapFileName().str(), m_dir.dir() + "Page0.dat");
    Touch("Page0.dat");
    Touch("Page1.dat");
    EXPECT_EQ(CreateMapFileName().str(), m_dir.dir() + "Page2.dat");
}

TEST_F(MapFileName, DirectoryOfTheSameNameDoesNotCountAsTaken) {
    vtest::ScopedClock clock(10, 0, 0);
    ASSERT_EQ(mkdir(m_dir.file("Page0.dat").c_str(), 0700), 0);
    EXPECT_EQ(CreateMapFileName().str(), m_dir.dir() + "Page0.dat");
}

TEST_F(MapFileName, DirectoryIsPrefixedAsItStands) {
    vtest::ScopedClock clock(10, 0, 1);
    SetVirtualDirectory("/no/such/dirPrefix");
    EXPECT_STREQ(CreateMapFileName(), "/no/such/dirPrefixPage0.dat");
}

TEST(MapFileNameSearch, WrapsAroundAt65536) {
    CString name = velmora::FirstFreeMapFileName(
        "d/", 0xFFFF, [](const CString& c) { return c == "d/PageFFFF.dat"; });
    EXPECT_STREQ(name, "d/Page0.dat");
}

TEST(MapFileNameSearch, AllNamesTakenGivesAnEmptyNameAfterOneRound) {
    long asked = 0;
    CString name = velmora::FirstFreeMapFileName("d/", 1234, [&asked](const CString&) {
        asked++;
        return true;
    });
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_EQ(asked, 65536);
}

}  // namespace
