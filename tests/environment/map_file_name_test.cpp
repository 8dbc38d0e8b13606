// Page-file naming with a fixed clock and taken names.
#include "environment/map_file_name.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"
#include "velmora/environment.h"

namespace {

class MapFileName : public ::testing::Test {
protected:
    void SetUp() override { SetVirtualDirectory(m_dir.dir().c_str()); }
    std::string Page(const char* name) { return m_dir.dir() + name; }

    vtest::ScopedSettings m_keep;
    vtest::TempDir m_dir;
};

TEST_F(MapFileName, StartsAtMinuteTimesSecondInUpperCaseHex) {
    vtest::ScopedClock clock(10, 7, 59);  // 7 * 59 = 413 = 0x19D
    EXPECT_EQ(CreateMapFileName().str(), Page("Page19D.dat"));
}

// A taken file moves on to the next number; a directory of the name does not count.
TEST_F(MapFileName, TakenFilesAreSkipped) {
    vtest::ScopedClock clock(10, 0, 0);
    ASSERT_EQ(mkdir(Page("Page0.dat").c_str(), 0700), 0);
    EXPECT_EQ(CreateMapFileName().str(), Page("Page0.dat"));
    rmdir(Page("Page0.dat").c_str());
    vtest::WriteAll(Page("Page0.dat"), {1});
    vtest::WriteAll(Page("Page1.dat"), {1});
    EXPECT_EQ(CreateMapFileName().str(), Page("Page2.dat"));
}

TEST_F(MapFileName, DirectoryIsPrefixedAsItStands) {
    vtest::ScopedClock clock(10, 0, 1);
    SetVirtualDirectory("/no/such/dirPrefix");
    EXPECT_STREQ(CreateMapFileName(), "/no/such/dirPrefixPage0.dat");
}

TEST(MapFileNameSearch, WrapsAroundAt65536AndGivesUpAfterOneRound) {
    CString name = velmora::FirstFreeMapFileName("d/", 0xFFFF, [](const CString& c) { return c == "d/PageFFFF.dat"; });
    EXPECT_STREQ(name, "d/Page0.dat");
    long asked = 0;
    name = velmora::FirstFreeMapFileName("d/", 1234, [&asked](const CString&) { return ++asked > 0; });
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_EQ(asked, 65536);
}

}  // namespace
