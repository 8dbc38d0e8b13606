// Saving BMP files and reading them back, in memory and in page files whose
// row window holds only part of the image.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/messages.h"
#include "velmora/newdib.h"

namespace {

namespace text = velmora::text;

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

struct Shape {
    int width, height, bitCount;
};

// Saves a patterned image and reads it back; checks pixels, colour table and
// the file's layout.
void ExpectRoundTrip(const Shape& s, bool pageFile) {
    vtest::TempDir dir;
    std::string path = dir.file("round.bmp");
    CNewDIB image(s.width, s.height, s.bitCount);
    ASSERT_TRUE(image.Ready());
    ASSERT_EQ(image.IsMapped() != 0, pageFile);
    ASSERT_TRUE(vtest::FillPattern(image, s.bitCount));
    ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1);

    std::vector<unsigned char> file = vtest::ReadAll(path);
    int entries = s.bitCount <= 8 ? 1 << s.bitCount : 0;
    uint64_t data = image.GetBytesPerLine() * static_cast<uint64_t>(s.height);
    ASSERT_EQ(file.size(), 54 + 4 * entries + data);
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 6), 0u);  // both reserved words
    EXPECT_EQ(Le32(file, 10), 54u + 4 * entries);
    EXPECT_EQ(std::memcmp(file.data() + 14, image.GetBitmapInfo(), 40 + 4 * entries), 0);

    CNewDIB back;
    ASSERT_EQ(back.ReadFile(path.c_str(), -1), 1);
    EXPECT_EQ(back.IsMapped() != 0, pageFile);
    EXPECT_EQ(back.GetWidth(), s.width);
    EXPECT_EQ(back.GetBitCount(), s.bitCount);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(back, s.bitCount), 0);
    EXPECT_EQ(std::memcmp(back.GetBitmapInfo(), image.GetBitmapInfo(), 40 + 4 * entries), 0);
}

class BmpRoundTripMemory : public ::testing::TestWithParam<Shape> {};

TEST_P(BmpRoundTripMemory, GivesBackThePixelsAndTheColourTable) { ExpectRoundTrip(GetParam(), false); }

INSTANTIATE_TEST_SUITE_P(BitCounts, BmpRoundTripMemory,
                         ::testing::Values(Shape{13, 7, 1}, Shape{37, 29, 4}, Shape{61, 40, 8}, Shape{71, 53, 24},
                                           Shape{1, 1, 24}, Shape{10, 3, 1}));

class BmpRoundTripPageFile : public ::testing::TestWithParam<Shape> {};

TEST_P(BmpRoundTripPageFile, SpansSeveralWindowsAndLeavesNoPageFile) {
    vtest::PageFileMode mode;
    ExpectRoundTrip(GetParam(), true);
    EXPECT_EQ(mode.PageFiles(), 0u);
}

// Each at least 3 MB, so 2 MiB windows hold only part of it.
INSTANTIATE_TEST_SUITE_P(BitCounts, BmpRoundTripPageFile,
                         ::testing::Values(Shape{20011, 1300, 1}, Shape{6003, 1100, 4}, Shape{3001, 1100, 8},
                                           Shape{1001, 1100, 24}));

TEST(BmpSave, SmallFilesHaveTheLayoutOfTheFormat) {
    vtest::TempDir dir;
    CNewDIB one(1, 1, 24), mono(10, 3, 1), eight(3, 2, 8);
    ASSERT_EQ(one.SaveFile(dir.file("a.bmp").c_str(), -1, 0), 1);
    ASSERT_EQ(mono.SaveFile(dir.file("b.bmp").c_str(), -1, 0), 1);
    ASSERT_EQ(eight.SaveFile(dir.file("c.bmp").c_str(), -1, 0), 1);
    std::vector<unsigned char> a = vtest::ReadAll(dir.file("a.bmp"));
    EXPECT_EQ(Le32(a, 2), 58u);
    EXPECT_EQ(Le32(a, 10), 54u);
    EXPECT_EQ(Le32(vtest::ReadAll(dir.file("b.bmp")), 2), 74u);
    EXPECT_EQ(Le32(vtest::ReadAll(dir.file("c.bmp")), 10), 1078u);
}

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

TEST(BmpSave, AReadFileSavesBackToTheSameBytes) {
    vtest::TempDir dir;
    for (const char* stem : {"pal1", "pal4", "im_pal8_w61", "rgb24"}) {
        std::string source = vtest::DataPath(std::string("bmp/") + stem + ".bmp");
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(source.c_str(), -1), 1);
        std::string copy = dir.file(std::string(stem) + ".bmp");
        ASSERT_EQ(dib.SaveFile(copy.c_str(), -1, 0), 1);
        std::vector<unsigned char> a = vtest::ReadAll(source), b = vtest::ReadAll(copy);
        size_t offA = Le32(a, 10), offB = Le32(b, 10);
        ASSERT_EQ(a.size() - offA, b.size() - offB) << stem;
        EXPECT_TRUE(std::equal(a.begin() + static_cast<long>(offA), a.end(), b.begin() + static_cast<long>(offB)))
            << stem;
    }
}

TEST(BmpSaveFailures, ANullRunFailsAndLeavesTheOldFile) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    std::string target = dir.file("keep.bmp");
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

TEST(BmpSaveFailures, ATargetThatCannotBeCreatedFailsWithoutAFile) {
    vtest::TempDir dir;
    CNewDIB image(4, 4, 8);
    EXPECT_EQ(image.SaveFile(dir.file("no/such/dir/x.bmp").c_str(), -1, 1), 0);
    EXPECT_FALSE(image.GetLastErrorText().IsEmpty());
    EXPECT_EQ(image.GetFileName(), "");
    CNewDIB empty;
    EXPECT_EQ(empty.SaveFile(dir.file("e.bmp").c_str(), -1, 0), 0);
    EXPECT_EQ(empty.GetLastErrorText(), text::kNoData);
    EXPECT_TRUE(dir.List().empty());
}

}  // namespace
