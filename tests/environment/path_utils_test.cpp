// Path helpers: Windows-style and POSIX paths, GBK trail bytes, app paths,
// existence of files and directories.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/expect_rows.h"
#include "support/test_support.h"
#include "velmora/application.h"
#include "velmora/environment.h"

namespace {

// 0x95 0x5C is one GBK character whose trail byte is the code of "\".
#define GBK_5C "\x95\x5C"

using Rows = std::pair<CString, const char*>;

// The name lies between the last separator and the last dot after it.
TEST(PathParts, NameExtensionAndDirectory) {
    // clang-format off
    const Rows rows[] = {
        {GetFileName("C:\\img\\a.b.bmp"), "a.b"}, {GetFileName("photo.bmp"), "photo"},
        {GetFileName("/home/u/img/scan.tif"), "scan"}, {GetFileName("C:\\img/mixed\\x.gif"), "x"},
        {GetFileName("readme"), ""}, {GetFileName("C:\\img\\photo"), ""}, {GetFileName("C:\\dir.old\\readme"), ""},
        {GetFileName("/a.d/readme"), ""}, {GetFileName("C:\\img\\.bmp"), ""},
        {GetFileNameExt("C:\\img\\a.bmp"), "a.bmp"}, {GetFileNameExt("a.bmp"), "a.bmp"},
        {GetFileNameExt("/tmp/a.bmp"), "a.bmp"}, {GetFileNameExt("C:\\img\\"), ""},
        {GetFilePath("C:\\img\\a.bmp"), "C:\\img"}, {GetFilePath("C:\\a.bmp"), "C:"}, {GetFilePath("C:a.bmp"), "C:"},
        {GetFilePath("D:"), "D:"}, {GetFilePath("D:file.txt"), "D:"}, {GetFilePath("a.bmp"), ""},
        {GetFilePath("/tmp/x/a.bmp"), "/tmp/x"}, {GetFilePath("/a.bmp"), ""}};
    // clang-format on
    vtest::ExpectRows(rows);
}

TEST(PathParts, GbkTrailByte5CDoesNotSplitAPath) {
    // clang-format off
    const Rows rows[] = {
        {GetFileName("C:\\dir\\" GBK_5C ".bmp"), GBK_5C}, {GetFileNameExt("C:\\dir\\" GBK_5C ".bmp"), GBK_5C ".bmp"},
        {GetFilePath("C:\\dir\\" GBK_5C ".bmp"), "C:\\dir"},
        // The only real separator is the one after the drive.
        {GetFileNameExt("C:\\a" GBK_5C "b.bmp"), "a" GBK_5C "b.bmp"},
        {GetFileName("C:\\a" GBK_5C "b.bmp"), "a" GBK_5C "b"},
        {GetFilePath("C:\\a" GBK_5C "b.bmp"), "C:"}, {GetFilePath("a" GBK_5C "b.bmp"), ""}};
    // clang-format on
    vtest::ExpectRows(rows);
}

// Relative names are joined to the base without normalising; drives,
// relative references and POSIX roots come back unchanged.
TEST(PathParts, AbsolutePath) {
    // clang-format off
    const Rows rows[] = {
        {GetAbsolutePath("C:\\base", "sub\\a.bmp"), "C:\\base\\sub\\a.bmp"},
        {GetAbsolutePath("C:\\base\\", "a.bmp"), "C:\\base\\\\a.bmp"},
        {GetAbsolutePath("/data/in", "sub/a.bmp"), "/data/in/sub/a.bmp"},
        {GetAbsolutePath("C:\\base", "\\a.bmp"), "C:\\base\\\\a.bmp"},
        {GetAbsolutePath("C:\\base", "D:\\x.bmp"), "D:\\x.bmp"}, {GetAbsolutePath("C:\\base", ".\\x.bmp"), ".\\x.bmp"},
        {GetAbsolutePath("C:\\base", "..\\x.bmp"), "..\\x.bmp"}, {GetAbsolutePath("/data", "/abs/x.bmp"), "/abs/x.bmp"},
        {GetAbsolutePath("C:\\base", ""), ""}};
    // clang-format on
    vtest::ExpectRows(rows);
}

// The base prefix is compared without case and must end at a separator;
// paths outside the base come back unchanged.
TEST(PathParts, OppositePath) {
    // clang-format off
    const Rows rows[] = {
        {GetOppositePath("C:\\Base", "c:\\base\\x\\y.tif"), "x\\y.tif"},
        {GetOppositePath("c:\\data", "C:\\Data\\Img\\a.bmp"), "Img\\a.bmp"},
        {GetOppositePath("/data", "/data/img/a.bmp"), "img/a.bmp"},
        {GetOppositePath("C:\\Base", "C:\\Basement\\y.tif"), "C:\\Basement\\y.tif"},
        {GetOppositePath("C:\\Dat", "C:\\Data\\Img\\a.bmp"), "C:\\Data\\Img\\a.bmp"},
        {GetOppositePath("C:\\Base", "C:\\Base"), "C:\\Base"},
        {GetOppositePath("C:\\Base", "D:\\C:\\Base\\x"), "D:\\C:\\Base\\x"}, {GetOppositePath("C:\\Base", ""), ""},
        {GetOppositePath("", "\\x.bmp"), "x.bmp"}, {GetOppositePath("", "x.bmp"), "x.bmp"}};
    // clang-format on
    vtest::ExpectRows(rows);
}

TEST(AppPaths, AreDerivedFromTheModuleFileNameWithItsOwnSeparator) {
    CWinApp* app = AfxGetApp();
    app->SetModuleFileNameOverride("C:\\Prog\\Bin\\host.exe");
    EXPECT_STREQ(GetAppName(), "C:\\Prog\\Bin\\host.exe");
    EXPECT_STREQ(GetAppPath(), "C:\\Prog\\Bin");
    EXPECT_STREQ(GetDicPath(), "C:\\Prog\\Dic");
    app->SetModuleFileNameOverride("/opt/velmora/bin/host");
    EXPECT_STREQ(GetDicPath(), "/opt/velmora/Dic");
    app->SetModuleFileNameOverride("C:\\host.exe");
    EXPECT_STREQ(GetDicPath(), "\\Dic");
    app->SetModuleFileNameOverride(nullptr);  // back to this executable
    EXPECT_EQ(GetAppName()[0], '/');
    EXPECT_STREQ(GetFileNameExt(GetAppName()), "test_environment");
}

// Names a search cannot match (empty, ending in a separator, a root) do not
// exist; a wildcard is answered by its first match.
TEST(Existence, FilesAndDirectoriesAreToldApart) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("a.bmp"), {0});
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0700), 0);
    const std::pair<int, int> rows[] = {{FileIsExist(dir.file("a.bmp").c_str()), 1},
                                        {PathIsExist(dir.file("a.bmp").c_str()), 0},
                                        {FileIsExist(dir.file("sub").c_str()), 0},
                                        {PathIsExist(dir.file("sub").c_str()), 1},
                                        {FileIsExist(dir.file("none").c_str()), 0},
                                        {PathIsExist(dir.file("none").c_str()), 0},
                                        {FileIsExist(dir.file("*.bmp").c_str()), 1},
                                        {FileIsExist(dir.file("?.gif").c_str()), 0},
                                        {FileIsExist(""), 0},
                                        {PathIsExist(""), 0},
                                        {PathIsExist(dir.dir().c_str()), 0},
                                        {PathIsExist("C:\\"), 0},
                                        {FileIsExist("C:\\"), 0}};
    vtest::ExpectRows(rows);
}

}  // namespace
