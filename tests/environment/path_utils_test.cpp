// Path helpers: Windows-style and POSIX paths, GBK trail bytes, app paths.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"
#include "velmora/application.h"
#include "velmora/environment.h"

namespace {

// 0x95 0x5C is one GBK character whose trail byte is the code of "\".
#define GBK_5C "\x95\x5C"

TEST(PathParts, FileNameIsBetweenTheLastSeparatorAndTheLastDot) {
    EXPECT_STREQ(GetFileName("C:\\img\\a.b.bmp"), "a.b");
    EXPECT_STREQ(GetFileName("photo.bmp"), "photo");
    EXPECT_STREQ(GetFileName("/home/u/img/scan.tif"), "scan");
    EXPECT_STREQ(GetFileName("C:\\img/mixed\\x.gif"), "x");
}

TEST(PathParts, FileNameWithoutADotAfterTheSeparatorIsEmpty) {
    EXPECT_STREQ(GetFileName("readme"), "");
    EXPECT_STREQ(GetFileName("C:\\img\\photo"), "");
    EXPECT_STREQ(GetFileName("C:\\dir.old\\readme"), "");
    EXPECT_STREQ(GetFileName("/a.d/readme"), "");
    EXPECT_STREQ(GetFileName("C:\\img\\.bmp"), "");
}

TEST(PathParts, FileNameExtIsEverythingAfterTheLastSeparator) {
    EXPECT_STREQ(GetFileNameExt("C:\\img\\a.bmp"), "a.bmp");
    EXPECT_STREQ(GetFileNameExt("a.bmp"), "a.bmp");
    EXPECT_STREQ(GetFileNameExt("/tmp/a.bmp"), "a.bmp");
    EXPECT_STREQ(GetFileNameExt("C:\\img\\"), "");
}

TEST(PathParts, FilePathDropsTheNameAndTheSeparator) {
    EXPECT_STREQ(GetFilePath("C:\\img\\a.bmp"), "C:\\img");
    EXPECT_STREQ(GetFilePath("C:\\a.bmp"), "C:");
    EXPECT_STREQ(GetFilePath("C:a.bmp"), "C:");
    EXPECT_STREQ(GetFilePath("D:"), "D:");
    EXPECT_STREQ(GetFilePath("D:file.txt"), "D:");
    EXPECT_STREQ(GetFilePath("a.bmp"), "");
    EXPECT_STREQ(GetFilePath("/tmp/x/a.bmp"), "/tmp/x");
    EXPECT_STREQ(GetFilePath("/a.bmp"), "");
}

TEST(PathParts, GbkTrailByte5CDoesNotSplitAPath) {
    EXPECT_STREQ(GetFileName("C:\\dir\\" GBK_5C ".bmp"), GBK_5C);
    EXPECT_STREQ(GetFileNameExt("C:\\dir\\" GBK_5C ".bmp"), GBK_5C ".bmp");
    EXPECT_STREQ(GetFilePath("C:\\dir\\" GBK_5C ".bmp"), "C:\\dir");

    // The only real separator is the one after the drive.
    EXPECT_STREQ(GetFileNameExt("C:\\a" GBK_5C "b.bmp"), "a" GBK_5C "b.bmp");
    EXPECT_STREQ(GetFileName("C:\\a" GBK_5C "b.bmp"), "a" GBK_5C "b");
    EXPECT_STREQ(GetFilePath("C:\\a" GBK_5C "b.bmp"), "C:");
    EXPECT_STREQ(GetFilePath("a" GBK_5C "b.bmp"), "");
}

TEST(AbsolutePath, RelativeNamesAreJoinedToTheBase) {
    EXPECT_STREQ(GetAbsolutePath("C:\\base", "sub\\a.bmp"), "C:\\base\\sub\\a.bmp");
    EXPECT_STREQ(GetAbsolutePath("C:\\base\\", "a.bmp"), "C:\\base\\\\a.bmp");  // not normalised
    EXPECT_STREQ(GetAbsolutePath("/data/in", "sub/a.bmp"), "/data/in/sub/a.bmp");
    EXPECT_STREQ(GetAbsolutePath("C:\\base", "\\a.bmp"), "C:\\base\\\\a.bmp");
}

TEST(AbsolutePath, DrivesRelativeReferencesAndPosixRootsComeBackUnchanged) {
    EXPECT_STREQ(GetAbsolutePath("C:\\base", "D:\\x.bmp"), "D:\\x.bmp");
    EXPECT_STREQ(GetAbsolutePath("C:\\base", ".\\x.bmp"), ".\\x.bmp");
    EXPECT_STREQ(GetAbsolutePath("C:\\base", "..\\x.bmp"), "..\\x.bmp");
    EXPECT_STREQ(GetAbsolutePath("/data", "/abs/x.bmp"), "/abs/x.bmp");
    EXPECT_STREQ(GetAbsolutePath("C:\\base", ""), "");
}

TEST(OppositePath, PrefixIsComparedWithoutCaseAndNeedsASeparator) {
    EXPECT_STREQ(GetOppositePath("C:\\Base", "c:\\base\\x\\y.tif"), "x\\y.tif");
    EXPECT_STREQ(GetOppositePath("c:\\data", "C:\\Data\\Img\\a.bmp"), "Img\\a.bmp");
    EXPECT_STREQ(GetOppositePath("/data", "/data/img/a.bmp"), "img/a.bmp");
}

TEST(OppositePath, PathsOutsideTheBaseComeBackUnchanged) {
    EXPECT_STREQ(GetOppositePath("C:\\Base", "C:\\Basement\\y.tif"), "C:\\Basement\\y.tif");
    EXPECT_STREQ(GetOppositePath("C:\\Dat", "C:\\Data\\Img\\a.bmp"), "C:\\Data\\Img\\a.bmp");
    EXPECT_STREQ(GetOppositePath("C:\\Base", "C:\\Base"), "C:\\Base");
    EXPECT_STREQ(GetOppositePath("C:\\Base", "D:\\C:\\Base\\x"), "D:\\C:\\Base\\x");
    EXPECT_STREQ(GetOppositePath("C:\\Base", ""), "");
}

TEST(OppositePath, EmptyBaseDropsALeadingSeparator) {
    EXPECT_STREQ(GetOppositePath("", "\\x.bmp"), "x.bmp");
    EXPECT_STREQ(GetOppositePath("", "x.bmp"), "x.bmp");
}

class ScopedModuleName {
public:
    explicit ScopedModuleName(const char* path) { AfxGetApp()->SetModuleFileNameOverride(path); }
    ~ScopedModuleName() { AfxGetApp()->SetModuleFileNameOverride(nullptr); }
};

TEST(AppPaths, AreDerivedFromTheModuleFileName) {
    ScopedModuleName name("C:\\Prog\\Bin\\host.exe");
    EXPECT_STREQ(GetAppName(), "C:\\Prog\\Bin\\host.exe");
    EXPECT_STREQ(GetAppPath(), "C:\\Prog\\Bin");
    EXPECT_STREQ(GetDicPath(), "C:\\Prog\\Dic");
}

TEST(AppPaths, DicPathUsesThePathsOwnSeparator) {
    {
        ScopedModuleName name("/opt/velmora/bin/host");
        EXPECT_STREQ(GetDicPath(), "/opt/velmora/Dic");
    }
    {
        ScopedModuleName name("C:\\host.exe");
        EXPECT_STREQ(GetDicPath(), "\\Dic");
    }
}

TEST(AppPaths, RealModuleNameIsThisExecutable) {
    CString name = GetAppName();
    EXPECT_EQ(name[0], '/');
    EXPECT_STREQ(GetFileNameExt(name), "test_environment");
}

TEST(Existence, FilesAndDirectoriesAreTellApart) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("a.bmp"), {0});
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0700), 0);

    EXPECT_EQ(FileIsExist(dir.file("a.bmp").c_str()), 1);
    EXPECT_EQ(PathIsExist(dir.file("a.bmp").c_str()), 0);
    EXPECT_EQ(FileIsExist(dir.file("sub").c_str()), 0);
    EXPECT_EQ(PathIsExist(dir.file("sub").c_str()), 1);
    EXPECT_EQ(FileIsExist(dir.file("none").c_str()), 0);
    EXPECT_EQ(PathIsExist(dir.file("none").c_str()), 0);
}

TEST(Existence, NamesASearchCannotMatchDoNotExist) {
    vtest::TempDir dir;
    EXPECT_EQ(FileIsExist(""), 0);
    EXPECT_EQ(PathIsExist(""), 0);
    EXPECT_EQ(PathIsExist(dir.dir().c_str()), 0);  // ends in a separator
    EXPECT_EQ(PathIsExist("C:\\"), 0);
    EXPECT_EQ(FileIsExist("C:\\"), 0);
}

TEST(Existence, WildcardsAreAnsweredByTheFirstMatch) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("b.bmp"), {0});
    EXPECT_EQ(FileIsExist(dir.file("*.bmp").c_str()), 1);
    EXPECT_EQ(FileIsExist(dir.file("?.gif").c_str()), 0);
}

}  // namespace
