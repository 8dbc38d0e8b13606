// Saving BMP files and reading them back, in memory and in page files whose
// row window holds only part of the image.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

struct Shape {
    int width, height, bitCount;
    bool pageFile;  // at least 3 MB, so 2 MiB windows hold only part of it
};

class BmpRoundTrip : public ::testing::TestWithParam<Shape> {};

// Saves a patterned image and reads it back; checks the file's layout,
// pixels and colour table, and that no page file is left.
TEST_P(BmpRoundTrip, GivesBackThePixelsAndTheColourTable) {
    const Shape& s = GetParam();
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    const std::string path = dir.file("round.bmp");
    {
        CNewDIB image(s.width, s.height, s.bitCount);
        ASSERT_EQ(image.IsMapped() != 0, s.pageFile);
        ASSERT_TRUE(vtest::FillPattern(image, s.bitCount));
        ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1);

        const std::vector<unsigned char> file = vtest::ReadAll(path);
        const size_t header = 54 + 4 * (s.bitCount <= 8 ? size_t{1} << s.bitCount : 0);
        ASSERT_EQ(file.size(), header + image.GetBytesPerLine() * static_cast<uint64_t>(s.height));
        EXPECT_EQ(Le32(file, 2), file.size());
        EXPECT_EQ(Le32(file, 6), 0u);  // both reserved words
        EXPECT_EQ(Le32(file, 10), header);
        EXPECT_EQ(std::memcmp(file.data() + 14, image.GetBitmapInfo(), header - 14), 0);

        CNewDIB back;
        ASSERT_EQ(back.ReadFile(path.c_str(), -1), 1);
        EXPECT_EQ(back.IsMapped() != 0, s.pageFile);
        EXPECT_EQ(back.GetWidth(), s.width);
        EXPECT_EQ(back.GetBitCount(), s.bitCount);
        EXPECT_EQ(vtest::RowsDifferingFromPattern(back, s.bitCount), 0);
        EXPECT_EQ(std::memcmp(back.GetBitmapInfo(), image.GetBitmapInfo(), header - 14), 0);
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BitCounts, BmpRoundTrip,
                         ::testing::Values(Shape{13, 7, 1, false}, Shape{37, 29, 4, false}, Shape{61, 40, 8, false},
                                           Shape{71, 53, 24, false}, Shape{1, 1, 24, false}, Shape{10, 3, 1, false},
                                           Shape{20011, 1300, 1, true}, Shape{6003, 1100, 4, true},
                                           Shape{3001, 1100, 8, true}, Shape{1001, 1100, 24, true}));

TEST(BmpSave, ProgressHasItsCaptionStepsAndOneEnd) {
    vtest::TempDir dir;
    CNewDIB image(5, 100, 8);
    vtest::RecordingWindow window;
    ASSERT_EQ(image.SaveFile(dir.file("p.bmp").c_str(), -1, 0), 1);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front().caption, text::kSavingImage);
    EXPECT_EQ(window.Steps(), (std::vector<WPARAM>{11, 22, 33, 44, 55, 66, 77, 88, 99}));
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(BmpSave, AReadFileSavesBackToTheSamePixelBytes) {
    vtest::TempDir dir;
    for (const char* stem : {"pal1", "pal4", "im_pal8_w61", "rgb24"}) {
        const std::string source = vtest::DataPath(std::string("bmp/") + stem + ".bmp");
        const std::string copy = dir.file(std::string(stem) + ".bmp");
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(source.c_str(), -1), 1);
        ASSERT_EQ(dib.SaveFile(copy.c_str(), -1, 0), 1);
        const std::vector<unsigned char> a = vtest::ReadAll(source), b = vtest::ReadAll(copy);
        EXPECT_EQ(std::vector<unsigned char>(a.begin() + Le32(a, 10), a.end()),
                  std::vector<unsigned char>(b.begin() + Le32(b, 10), b.end()))
            << stem;
    }
}

TEST(BmpSaveFailures, ANullRunFailsAndLeavesTheOldFile) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    const std::string target = dir.file("keep.bmp");
    vtest::WriteAll(target, {'o', 'l', 'd'});
    // A page file that cannot be created leaves a header without pixels.
    SetVirtualDirectory(dir.file("missing/").c_str());
    CNewDIB broken(1200, 1000, 24);
    ASSERT_FALSE(broken.Ready());
    vtest::RecordingWindow window;
    EXPECT_EQ(broken.SaveFile(target.c_str(), -1, 0), 0);
    EXPECT_EQ(broken.GetLastErrorText(), text::kMapFailed);
    EXPECT_EQ(vtest::ReadAll(target), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"keep.bmp"});
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(BmpSaveFailures, ATargetThatCannotBeCreatedOrAnEmptyImageFailsWithoutAFile) {
    vtest::TempDir dir;
    CNewDIB image(4, 4, 8), empty;
    EXPECT_EQ(image.SaveFile(dir.file("no/such/dir/x.bmp").c_str(), -1, 1), 0);
    EXPECT_FALSE(image.GetLastErrorText().IsEmpty());
    EXPECT_EQ(image.GetFileName(), "");
    EXPECT_EQ(empty.SaveFile(dir.file("e.bmp").c_str(), -1, 0), 0);
    EXPECT_EQ(empty.GetLastErrorText(), text::kNoData);
    EXPECT_TRUE(dir.List().empty());
}

}  // namespace
