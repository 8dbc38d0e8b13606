// ReadFile and SaveFile: format by extension or code, names, gray property,
// the document's last failure text, exceptions passing through.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/cfile.h"

namespace {

namespace text = velmora::text;

class FileDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        CNewDIB image(9, 5, 8);
        ASSERT_TRUE(vtest::FillPattern(image, 4));
        ASSERT_EQ(image.SaveFile(bmp.c_str(), 0, 0), 1);
        vtest::WriteAll(dat, vtest::ReadAll(bmp));
    }
    vtest::TempDir dir;
    std::string bmp = dir.file("x.bmp"), dat = dir.file("x.dat");
};

TEST_F(FileDispatch, ExtensionsAreMatchedOnTheLastThreeCharactersInAnyCase) {
    const std::string mixed = dir.file("A.Bmp");
    vtest::WriteAll(mixed, vtest::ReadAll(bmp));
    CNewDIB dib;
    dib.SetGrayProp(1);
    ASSERT_EQ(dib.ReadFile(mixed.c_str(), -1), 1);
    EXPECT_EQ(dib.GetFileFormat(), 0);
    EXPECT_EQ(dib.GetFileName(), mixed.c_str());
    EXPECT_EQ(dib.GetLastErrorText(), "");
    EXPECT_EQ(dib.GetGrayProp(), 0);  // the codec's flag: BMP files carry none
    EXPECT_EQ(vtest::RowsDifferingFromPattern(dib, 4), 0);
    for (const char* name : {"a.jpeg", "a.tiff", "x.dat", "mp", ""}) {
        CNewDIB other;
        EXPECT_EQ(other.ReadFile(name, -1), 0) << name;
        EXPECT_EQ(other.GetFileFormat(), 6);
        EXPECT_EQ(other.GetFileName(), "");
        EXPECT_EQ(other.GetLastErrorText(), text::kUnsupportedFormat);
    }
}

TEST_F(FileDispatch, AFailedReadKeepsTheNewNameAndFormatAndSaysWhy) {
    const std::string broken = dir.file("broken.bmp");
    vtest::WriteAll(broken, std::vector<unsigned char>(16, 0));
    CNewDIB dib;
    dib.SetFileName("before.png");
    EXPECT_EQ(dib.ReadFile(broken.c_str(), -1), 0);
    EXPECT_EQ(dib.GetFileName(), broken.c_str());
    EXPECT_EQ(dib.GetFileFormat(), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kNotBmp);
    EXPECT_EQ(dib.ReadFile(dir.file("missing.bmp").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kOpenFailed);
    ASSERT_EQ(dib.ReadFile(bmp.c_str(), -1), 1);
    EXPECT_EQ(dib.GetLastErrorText(), "");  // a success clears it
}

TEST_F(FileDispatch, SaveRemembersTheTargetOnlyWhenAskedAndSucceeding) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(bmp.c_str(), -1), 1);
    dib.SetGrayProp(1);
    const std::string copy = dir.file("copy.bmp");
    ASSERT_EQ(dib.SaveFile(copy.c_str(), -1, 0), 1);
    EXPECT_EQ(dib.GetFileName(), bmp.c_str());
    EXPECT_EQ(dib.GetGrayProp(), 1);
    // A failed save keeps the format's code, not the name.
    EXPECT_EQ(dib.SaveFile(dir.file("no/such/x.tif").c_str(), -1, 1), 0);
    EXPECT_EQ(dib.GetFileFormat(), 1);
    EXPECT_EQ(dib.GetFileName(), bmp.c_str());
    EXPECT_FALSE(dib.GetLastErrorText().IsEmpty());
    ASSERT_EQ(dib.SaveFile(copy.c_str(), -1, 1), 1);
    EXPECT_EQ(dib.GetFileName(), copy.c_str());
}

TEST_F(FileDispatch, AnExplicitCodeWhateverTheExtensionAndAnEmptyPathForTheDocumentsFile) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dat.c_str(), 0), 1);
    EXPECT_EQ(dib.GetFileFormat(), 0);
    ASSERT_TRUE(vtest::FillPattern(dib, 5));
    EXPECT_EQ(dib.SaveFile("", -1, 0), 0);  // no extension to choose by
    ASSERT_EQ(dib.SaveFile("", 0, 0), 1);
    EXPECT_EQ(dib.SaveFile(dir.file("y.bmp").c_str(), 6, 1), 0);
    EXPECT_FALSE(vtest::FileExists(dir.file("y.bmp")));
    CNewDIB back;
    EXPECT_EQ(back.ReadFile(dat.c_str(), 7), 0);
    ASSERT_EQ(back.ReadFile(dat.c_str(), 0), 1);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(back, 5), 0);
}

TEST_F(FileDispatch, AWriteErrorPassesThroughSaveAndTheTargetStays) {
    CNewDIB big(1000, 100, 24);
    const std::vector<unsigned char> before = vtest::ReadAll(bmp);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit lower = old;
    lower.rlim_cur = 100000;  // writes beyond fail with EFBIG
    sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &lower);
    bool thrown = false;
    try {
        big.SaveFile(bmp.c_str(), -1, 1);
    } catch (const CFileException&) {
        thrown = true;
    } catch (...) {  // fails below, with the limit restored
    }
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(vtest::ReadAll(bmp), before);
    EXPECT_EQ(dir.List().size(), 2u);  // x.bmp and x.dat, no temporary
    EXPECT_FALSE(big.GetLastErrorText().IsEmpty());
    EXPECT_EQ(big.GetFileName(), "");
}

}  // namespace
