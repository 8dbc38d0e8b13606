// Saving PCX files and reading them back, in memory and in page files whose
// row window holds only part of the image; what a save refuses.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

int Le16(const std::vector<unsigned char>& b, size_t at) { return b[at] | b[at + 1] << 8; }

struct Shape {
    int width, height, bitCount;
    bool pageFile;  // at least 3 MB, so 2 MiB windows hold only part of it
};

class PcxRoundTrip : public ::testing::TestWithParam<Shape> {};

TEST_P(PcxRoundTrip, GivesBackThePixelsAndTheColourTable) {
    const Shape& s = GetParam();
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    const std::string path = dir.file("round.pcx");
    {
        CNewDIB image(s.width, s.height, s.bitCount);
        ASSERT_EQ(image.IsMapped() != 0, s.pageFile);
        ASSERT_TRUE(vtest::FillPattern(image, s.bitCount));
        // Two colours far enough apart to be kept as they are.
        int entries = 0;
        if (s.bitCount <= 8) image.GetRGBQuad(&entries)[1] = RGBQUAD{200, 10, 90, 0};
        ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();

        const std::vector<unsigned char> file = vtest::ReadAll(path);
        const int planes = s.bitCount == 4 ? 4 : s.bitCount == 24 ? 3 : 1;
        EXPECT_EQ((std::vector<int>{file[0], file[1], file[2], file[3], file[65]}),
                  (std::vector<int>{10, 5, 1, s.bitCount >= 8 ? 8 : 1, planes}));
        EXPECT_EQ(Le16(file, 8), s.width - 1);
        EXPECT_EQ(Le16(file, 10), s.height - 1);
        // One plane: the smallest even count of bytes that holds the
        // pixels; several: exactly the pixels' bytes.
        const int planeBits = planes == 1 ? s.bitCount : s.bitCount / planes;
        const int bytes = (s.width * planeBits + 7) / 8;
        EXPECT_EQ(Le16(file, 66), planes == 1 ? bytes + bytes % 2 : bytes);

        CNewDIB back;
        ASSERT_EQ(back.ReadFile(path.c_str(), -1), 1) << back.GetLastErrorText().c_str();
        EXPECT_EQ(back.IsMapped() != 0, s.pageFile);
        EXPECT_EQ(back.GetBitCount(), s.bitCount);
        EXPECT_EQ(vtest::RowsDifferingFromPattern(back, s.bitCount), 0);
        int backEntries = 0;
        const RGBQUAD* table = image.GetRGBQuad(&entries);
        const RGBQUAD* backTable = back.GetRGBQuad(&backEntries);
        ASSERT_EQ(entries, backEntries);
        if (entries) {
            EXPECT_EQ(std::memcmp(table, backTable, sizeof(RGBQUAD) * static_cast<size_t>(entries)), 0);
        }
        // 300 dpi both ways: 11811 -> 300 -> 11811.
        EXPECT_EQ(back.GetBitmapInfoHeader()->biXPelsPerMeter, image.GetBitmapInfoHeader()->biXPelsPerMeter);
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BitCounts, PcxRoundTrip,
                         ::testing::Values(Shape{13, 7, 1, false}, Shape{10, 3, 1, false}, Shape{37, 29, 4, false},
                                           Shape{8, 2, 4, false}, Shape{17, 3, 4, false}, Shape{61, 40, 8, false},
                                           Shape{62, 5, 8, false}, Shape{400, 3, 8, false}, Shape{1, 1, 24, false},
                                           Shape{71, 9, 24, false}));
INSTANTIATE_TEST_SUITE_P(PageFiles, PcxRoundTrip,
                         ::testing::Values(Shape{9000, 3000, 1, true}, Shape{3001, 2000, 4, true},
                                           Shape{2001, 1700, 8, true}, Shape{1001, 1100, 24, true}));

TEST(PcxSave, OneBitTenWideIsOnePlaneOfTwoBytes) {
    vtest::TempDir dir;
    CNewDIB image(10, 2, 1);
    ASSERT_EQ(image.SaveFile(dir.file("w10.pcx").c_str(), -1, 0), 1);
    const std::vector<unsigned char> file = vtest::ReadAll(dir.file("w10.pcx"));
    EXPECT_EQ(Le16(file, 66), 2);
    EXPECT_EQ(file[65], 1);
}

TEST(PcxSave, SixteenAndThirtyTwoBitsReturnZeroAndLeaveTheFileAlone) {
    vtest::TempDir dir;
    const std::string path = dir.file("keep.pcx");
    vtest::WriteAll(path, {1, 2, 3});
    for (int bits : {16, 32}) {
        CNewDIB image(4, 4, bits);
        EXPECT_EQ(image.SaveFile(path.c_str(), -1, 0), 0);
    }
    EXPECT_EQ(vtest::ReadAll(path), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(dir.List().size(), 1u);
}

TEST(PcxSave, ImagesBeyondTheSixteenBitFieldsFailWithATextAndNoFile) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    for (auto [w, h, bits] : {std::tuple{65536, 1, 1}, std::tuple{1, 65536, 8}, std::tuple{65535, 1, 8},
                                 std::tuple{65536, 1, 24}}) {
        CNewDIB image(w, h, bits);
        ASSERT_TRUE(image.Ready());
        EXPECT_EQ(image.SaveFile(dir.file("big.pcx").c_str(), -1, 0), 0) << w << "x" << h;
        EXPECT_EQ(image.GetLastErrorText(), text::kPcxTooLarge);
    }
    EXPECT_TRUE(dir.List().empty());
    CNewDIB widest(65535, 1, 1);  // Xmax 65534 still fits
    EXPECT_EQ(widest.SaveFile(dir.file("wide.pcx").c_str(), -1, 0), 1);
    CNewDIB widest8(65534, 1, 8);  // BPL 65534
    EXPECT_EQ(widest8.SaveFile(dir.file("wide8.pcx").c_str(), -1, 0), 1);
}

TEST(PcxSaveProgress, AStepEveryHundredthOfTheRows) {
    vtest::TempDir dir;
    CNewDIB image(5, 250, 8);
    vtest::RecordingWindow window;
    ASSERT_EQ(image.SaveFile(dir.file("p.pcx").c_str(), -1, 0), 1);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front().caption, text::kSavingImage);
    // Step 250 / 100 + 1 = 3 rows: rows 0, 3, ... 249.
    const std::vector<WPARAM> steps = window.Steps();
    ASSERT_EQ(steps.size(), 84u);
    EXPECT_EQ(steps[1], 1u);     // 3 * 100 / 250
    EXPECT_EQ(steps.back(), 99u);  // 249 * 100 / 250
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

}  // namespace
