// JPEG saves at the quality setting, and progress in page files.
#include <gtest/gtest.h>

#include <memory>

#include "codecs/image_fixture.h"
#include "velmora/environment.h"
#include "velmora/messages.h"

namespace {

// Puts the quality back afterwards.
class ScopedJpegQuality {
public:
    ScopedJpegQuality() : m_saved(GetJpegQuality()) {}
    ~ScopedJpegQuality() { SetJpegQuality(m_saved); }

private:
    int m_saved;
};

// The first value of the file's first quantisation table (the luminance
// table's DC entry: 16 scaled by the quality).
int FirstQuantValue(const std::vector<unsigned char>& file) {
    for (size_t i = 2; i + 5 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDB) return file[i + 5];
    return -1;
}

std::vector<unsigned char> SaveAt(int quality, vtest::TempDir& dir) {
    if (quality) SetJpegQuality(quality);
    CNewDIB image(64, 48, 24);
    EXPECT_TRUE(vtest::FillPattern(image));
    const std::string path = dir.file("q.jpg");
    EXPECT_EQ(image.SaveFile(path.c_str(), -1, 0), 1);
    return vtest::ReadAll(path);
}

TEST(JpegQuality, SeventyFiveByDefaultTheSettingOtherwiseAndOutOfRangeValuesIgnored) {
    ScopedJpegQuality keep;
    vtest::TempDir dir;
    EXPECT_EQ(GetJpegQuality(), 75);
    const std::vector<unsigned char> byDefault = SaveAt(0, dir);
    EXPECT_EQ(FirstQuantValue(byDefault), 8);  // 16 * 50%
    EXPECT_EQ(SaveAt(75, dir), byDefault);
    const std::vector<unsigned char> fine = SaveAt(95, dir);
    EXPECT_EQ(FirstQuantValue(fine), 2);  // 16 * 10%, rounded
    EXPECT_GT(fine.size(), byDefault.size());
    EXPECT_LT(SaveAt(20, dir).size(), byDefault.size());
    for (int bad : {0, -5, 101}) {
        SetJpegQuality(bad);
        EXPECT_EQ(GetJpegQuality(), 20);
    }
}

// Windows of about eight rows of 9000 bytes cut the rows at other places
// than the step of 3: the steps are still those of rows 3, 6, ... 24.
TEST(JpegReadProgress, PageFilesSendTheStepsOfTheRowsAsInMemory) {
    vtest::TempDir dir;
    const std::string path = dir.file("p.jpg");
    {
        CNewDIB image(3000, 25, 24);
        ASSERT_TRUE(vtest::FillPattern(image));
        ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1);
    }
    const std::vector<WPARAM> expected{12, 24, 36, 48, 60, 72, 84, 96};
    for (bool pageFile : {false, true}) {
        std::unique_ptr<vtest::PageFileMode> mode(pageFile ? new vtest::PageFileMode(64 * 1024) : nullptr);
        CNewDIB dib;
        {
            vtest::RecordingWindow window;
            ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1);
            EXPECT_EQ(dib.IsMapped() != 0, pageFile);
            EXPECT_EQ(window.Steps(), expected) << (pageFile ? "page file" : "memory");
            EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
        }
        // Saving sends the same steps.
        vtest::RecordingWindow saving;
        ASSERT_EQ(dib.SaveFile(dir.file("again.jpg").c_str(), -1, 0), 1);
        EXPECT_EQ(saving.Steps(), expected) << (pageFile ? "page file" : "memory");
    }
}

}  // namespace
