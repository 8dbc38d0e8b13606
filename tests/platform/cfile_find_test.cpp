#include "velmora/cfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/test_support.h"

namespace {

class CFileFindTest : public ::testing::Test {
protected:
    void SetUp() override {
        vtest::WriteAll(dir.file("b.bmp"), {1});
        vtest::WriteAll(dir.file("a.bmp"), {1});
        vtest::WriteAll(dir.file("c.tif"), {1});
        mkdir(dir.file("sub.bmp").c_str(), 0755);
    }
    vtest::TempDir dir;
};

TEST_F(CFileFindTest, WildcardsGiveSortedMatches) {
    CFileFind find;
    ASSERT_TRUE(find.FindFile(dir.file("*.bmp").c_str()));
    EXPECT_TRUE(find.FindNextFile());
    EXPECT_EQ(find.GetFileName(), "a.bmp");
    EXPECT_EQ(find.GetFilePath(), dir.file("a.bmp").c_str());
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_TRUE(find.FindNextFile());
    EXPECT_EQ(find.GetFileName(), "b.bmp");
    EXPECT_FALSE(find.FindNextFile());  // onto the last one
    EXPECT_EQ(find.GetFileName(), "sub.bmp");
    EXPECT_TRUE(find.IsDirectory());
    EXPECT_FALSE(find.FindNextFile());

    ASSERT_TRUE(find.FindFile(dir.file("?.t*").c_str()));
    find.FindNextFile();
    EXPECT_EQ(find.GetFileName(), "c.tif");
    EXPECT_FALSE(find.FindFile(dir.file("*.png").c_str()));
}

TEST_F(CFileFindTest, StarDotStarMatchesNamesWithoutDot) {
    vtest::WriteAll(dir.file("noext"), {1});
    CFileFind find;
    ASSERT_TRUE(find.FindFile(dir.file("*.*").c_str()));
    int count = 1;
    while (find.FindNextFile()) ++count;
    EXPECT_EQ(count, 5);
}

TEST_F(CFileFindTest, PlainNamesAndDirectoryTest) {
    CFileFind find;
    ASSERT_TRUE(find.FindFile(dir.file("c.tif").c_str()));
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_FALSE(find.IsDirectory());
    ASSERT_TRUE(find.FindFile(dir.path().c_str()));
    find.FindNextFile();
    EXPECT_TRUE(find.IsDirectory());
    EXPECT_FALSE(find.FindFile(dir.file("none.bmp").c_str()));
}

TEST_F(CFileFindTest, NamesThatNoSearchMatches) {
    CFileFind find;
    EXPECT_FALSE(find.FindFile(""));
    EXPECT_FALSE(find.FindFile((dir.path() + "/").c_str()));
    EXPECT_FALSE(find.FindFile((dir.path() + "\\").c_str()));
    EXPECT_FALSE(find.FindFile("C:\\"));
    EXPECT_FALSE(find.FindFile("/"));
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_TRUE(find.GetFilePath().IsEmpty());
}

TEST_F(CFileFindTest, BackslashSeparatesButGbkTrailByteDoesNot) {
    CFileFind find;
    // Windows-style separators in the directory part.
    ASSERT_TRUE(find.FindFile((dir.path() + "\\sub.bmp\\..\\a.bmp").c_str()));
    find.FindNextFile();
    EXPECT_FALSE(find.IsDirectory());

    // A name whose GBK character ends in 0x5C is one name, not a directory and a name.
    std::string gbkName = "\x95\x5C.bmp";
    vtest::WriteAll(dir.file(gbkName), {1});
    ASSERT_TRUE(find.FindFile(dir.file(gbkName).c_str()));
    find.FindNextFile();
    EXPECT_EQ(find.GetFileName(), gbkName.c_str());
    ASSERT_TRUE(find.FindFile(dir.file("\x95\x5C*").c_str()));
    find.FindNextFile();
    EXPECT_EQ(find.GetFileName(), gbkName.c_str());
}

}  // namespace
