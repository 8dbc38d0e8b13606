// ReadFile and SaveFile: format by extension or code, names, gray property,
// the document's last failure text, exceptions passing through.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/cfile.h"
#include "velmora/newdib.h"

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
    std::string bmp = dir.file("x.bmp");
    std::string dat = dir.file("x.dat");
};

TEST_F(FileDispatch, ReadChoosesBmpByExtensionAndRemembersTheName) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(bmp.c_str(), -1), 1);
    EXPECT_EQ(dib.GetFileFormat(), 0);
    EXPECT_EQ(dib.GetFileName(), bmp.c_str());
    EXPECT_EQ(dib.GetLastErrorText(), "");
    EXPECT_EQ(dib.GetGrayProp(), 0);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(dib, 4), 0);
}

TEST_F(FileDispatch, ExtensionsAreMatchedOnTheLastThreeCharactersInAnyCase) {
    std::string mixed = dir.file("A.Bmp");
    vtest::WriteAll(mixed, vtest::ReadAll(bmp));
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(mixed.c_str(), -1), 1);
    for (const char* name : {"a.jpeg", "a.tiff", "x.dat", "mp", ""}) {
        CNewDIB other;
        EXPECT_EQ(other.ReadFile(name, -1), 0) << name;
        EXPECT_EQ(other.GetFileFormat(), 6);
        EXPECT_EQ(other.GetFileName(), "");
        EXPECT_EQ(other.GetLastErrorText(), text::kUnsupportedFormat);
    }
}

TEST_F(FileDispatch, AnExplicitCodeReadsWhateverTheExtension) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dat.c_str(), 0), 1);
    EXPECT_EQ(dib.GetFileFormat(), 0);
    EXPECT_EQ(dib.ReadFile(dat.c_str(), 7), 0);
    EXPECT_EQ(dib.SaveFile(dir.file("y.bmp").c_str(), 6, 1), 0);
    EXPECT_FALSE(vtest::FileExists(dir.file("y.bmp")));
}

TEST_F(FileDispatch, AFailedReadKeepsTheNewNameAndFormatAndSaysWhy) {
    std::string broken = dir.file("broken.bmp");
    vtest::WriteAll(broken, {'N', 'O', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
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

TEST_F(FileDispatch, SaveRemembersTheTargetOnlyWhenAsked) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(bmp.c_str(), -1), 1);
    std::string copy = dir.file("copy.bmp");
    ASSERT_EQ(dib.SaveFile(copy.c_str(), -1, 0), 1);
    EXPECT_EQ(dib.GetFileName(), bmp.c_str());
    ASSERT_EQ(dib.SaveFile(copy.c_str(), -1, 1), 1);
    EXPECT_EQ(dib.GetFileName(), copy.c_str());
}

TEST_F(FileDispatch, AnEmptyPathSavesToTheDocumentsFile) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dat.c_str(), 0), 1);
    ASSERT_TRUE(vtest::FillPattern(dib, 5));
    EXPECT_EQ(dib.SaveFile("", -1, 0), 0);  // no extension to choose by
    ASSERT_EQ(dib.SaveFile("", 0, 0), 1);
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dat.c_str(), 0), 1);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(back, 5), 0);
}

TEST_F(FileDispatch, FormatsWithoutACodecFailWithTheirCodeKept) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(bmp.c_str(), -1), 1);
    std::string tif = dir.file("x.tif");
    EXPECT_EQ(dib.SaveFile(tif.c_str(), -1, 1), 0);
    EXPECT_EQ(dib.GetFileFormat(), 1);
    EXPECT_EQ(dib.GetFileName(), bmp.c_str());
    EXPECT_FALSE(dib.GetLastErrorText().IsEmpty());
}

TEST_F(FileDispatch, TheReadCopiesTheCodecsGrayFlagAndTheSaveKeepsTheGrayProperty) {
    CNewDIB dib;
    dib.SetGrayProp(1);
    ASSERT_EQ(dib.ReadFile(bmp.c_str(), -1), 1);
    EXPECT_EQ(dib.GetGrayProp(), 0);  // BMP files carry no gray flag
    dib.SetGrayProp(1);
    ASSERT_EQ(dib.SaveFile(dir.file("g.bmp").c_str(), -1, 0), 1);
    EXPECT_EQ(dib.GetGrayProp(), 1);
}

// Writes beyond `limit` bytes fail with EFBIG while the object lives.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t limit) {
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lower = m_old;
        lower.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old;
    sighandler_t m_oldHandler;
};

TEST_F(FileDispatch, AWriteErrorPassesThroughSaveAndTheTargetStays) {
    CNewDIB big(1000, 100, 24);
    ASSERT_TRUE(vtest::FillPattern(big));
    std::vector<unsigned char> before = vtest::ReadAll(bmp);
    bool thrown = false;
    {
        ScopedFileSizeLimit limit(100000);
        try {
            big.SaveFile(bmp.c_str(), -1, 1);
        } catch (const CFileException&) {
            thrown = true;
        }
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(vtest::ReadAll(bmp), before);
    EXPECT_EQ(dir.List().size(), 2u);  // x.bmp and x.dat, no temporary
    EXPECT_FALSE(big.GetLastErrorText().IsEmpty());
    EXPECT_EQ(big.GetFileName(), "");
}

}  // namespace
