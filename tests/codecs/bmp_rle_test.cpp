// Run-length data: escapes, bounds on runs and data, RLE4 nibbles, top-down
// files, and images larger than one row window.
#include <gtest/gtest.h>

#include "codecs/bmp_builder.h"
#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/newdib.h"

namespace {

namespace text = velmora::text;

class RunLength : public ::testing::Test {
protected:
    // Reads a file built from `spec`; 1 on success.
    int Read(const vtest::BmpSpec& spec) {
        vtest::WriteAll(path, vtest::BuildBmp(spec));
        return dib.ReadFile(path.c_str(), -1);
    }
    // Pixel bytes of picture row y (0 = top).
    std::vector<int> Row(int y, size_t bytes) {
        const BYTE* row = dib.GetDIBRow(dib.GetHeight() - 1 - y);
        return std::vector<int>(row, row + bytes);
    }
    static vtest::BmpSpec Rle8(int width, int height, std::vector<uint8_t> data) {
        vtest::BmpSpec spec;
        spec.width = width, spec.height = height, spec.bitCount = 8, spec.compression = BI_RLE8;
        spec.data = std::move(data);
        return spec;
    }
    vtest::TempDir dir;
    std::string path = dir.file("rle.bmp");
    CNewDIB dib;
};

TEST_F(RunLength, EncodedAndLiteralRunsAndTheEndOfBitmap) {
    // Bottom row: 03 07 sets three 7s, 00 00 ends the row. Next row: 00 03
    // copies three literal bytes and drops the pad byte; 00 01 ends the picture.
    ASSERT_EQ(Read(Rle8(4, 3, {3, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1})), 1);
    EXPECT_EQ(Row(2, 4), (std::vector<int>{7, 7, 7, 0}));
    EXPECT_EQ(Row(1, 4), (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(Row(0, 4), (std::vector<int>{0, 0, 0, 0}));  // after the end of bitmap
    EXPECT_EQ(dib.GetBitmapInfoHeader()->biCompression, BI_RGB);
}

TEST_F(RunLength, RunsNeverWritePastTheirRow) {
    ASSERT_EQ(Read(Rle8(4, 2, {255, 5, 0, 0, 0, 8, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0})), 1);
    EXPECT_EQ(Row(1, 4), (std::vector<int>{5, 5, 5, 5}));
    EXPECT_EQ(Row(0, 4), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(RunLength, RowsBeyondTheLastAreIgnored) {
    ASSERT_EQ(Read(Rle8(4, 1, {2, 9, 0, 0, 4, 4, 0, 0, 4, 4, 0, 0, 0, 1})), 1);
    EXPECT_EQ(Row(0, 4), (std::vector<int>{9, 9, 0, 0}));
}

TEST_F(RunLength, DataEndingInsideARunFailsAndReleasesTheImage) {
    for (const std::vector<uint8_t>& data : {std::vector<uint8_t>{3, 7, 0, 0, 3},        // a run without its value
                                             std::vector<uint8_t>{0, 6, 1, 2, 3},        // a literal cut short
                                             std::vector<uint8_t>{3, 7, 0, 0, 2, 2}}) {  // no end of line
        EXPECT_EQ(Read(Rle8(4, 2, data)), 0);
        EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
        EXPECT_FALSE(dib.Ready());
    }
}

TEST_F(RunLength, DeltaEscapesAreNotSupported) {
    EXPECT_EQ(Read(Rle8(4, 2, {0, 2, 1, 1, 0, 1})), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kBadFileData);
    EXPECT_FALSE(dib.Ready());
}

TEST_F(RunLength, Rle4AlternatesNibblesAndPadsLiteralsToWords) {
    vtest::BmpSpec spec;
    spec.width = 5, spec.height = 2, spec.bitCount = 4, spec.compression = BI_RLE4;
    // Bottom row: 5 pixels alternating 1 and 2. Top row: a literal of 5
    // pixels A B C D E in 3 bytes plus a pad byte.
    spec.data = {5, 0x12, 0, 0, 0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 0, 0, 1};
    ASSERT_EQ(Read(spec), 1);
    EXPECT_EQ(Row(1, 3), (std::vector<int>{0x12, 0x12, 0x10}));
    EXPECT_EQ(Row(0, 3), (std::vector<int>{0xAB, 0xCD, 0xE0}));
}

TEST_F(RunLength, TopDownFilesStartWithTheTopRow) {
    ASSERT_EQ(Read(Rle8(2, -2, {2, 1, 0, 0, 2, 2, 0, 1})), 1);
    EXPECT_EQ(Row(0, 2), (std::vector<int>{1, 1}));
    EXPECT_EQ(Row(1, 2), (std::vector<int>{2, 2}));
    EXPECT_GT(dib.GetBitmapInfoHeader()->biHeight, 0);
}

TEST_F(RunLength, CompressionMustFitTheBitCount) {
    CNewDIB kept(3, 3, 8);
    vtest::BmpSpec spec = Rle8(4, 2, {0, 1});
    spec.bitCount = 24;
    vtest::WriteAll(path, vtest::BuildBmp(spec));
    EXPECT_EQ(kept.ReadFile(path.c_str(), -1), 0);
    EXPECT_EQ(kept.GetLastErrorText(), text::kUnknownCompression);
    EXPECT_TRUE(kept.Ready());  // refused before the image was replaced
}

// An RLE8 picture of `height` rows whose storage row r holds r & 0xFF
// throughout, coded as runs of 200.
std::vector<uint8_t> BandedRle8(int width, int height) {
    std::vector<uint8_t> data;
    for (int r = 0; r < height; ++r) {
        for (int x = 0; x < width; x += 200) {
            data.push_back(static_cast<uint8_t>(std::min(200, width - x)));
            data.push_back(static_cast<uint8_t>(r));
        }
        data.push_back(0), data.push_back(0);
    }
    data.push_back(0), data.push_back(1);
    return data;
}

TEST(RunLengthPageFile, DecodesAcrossWindowsAndLeavesNoPageFileWhenCut) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    std::string path = dir.file("big.bmp");
    const int width = 2000, height = 1500;  // 3 MB: a page file of several windows
    std::vector<uint8_t> data = BandedRle8(width, height);
    vtest::BmpSpec spec;
    spec.width = width, spec.height = height, spec.bitCount = 8, spec.compression = BI_RLE8, spec.data = data;
    vtest::WriteAll(path, vtest::BuildBmp(spec));
    {
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1);
        ASSERT_TRUE(dib.IsMapped());
        for (int r = 0; r < height; r += 7) {
            const BYTE* row = dib.GetDIBRow(r);
            ASSERT_EQ(row[0], r & 0xFF);
            ASSERT_EQ(row[width - 1], r & 0xFF);
        }
    }
    spec.data.resize(data.size() / 2);
    vtest::WriteAll(path, vtest::BuildBmp(spec));
    CNewDIB cut;
    EXPECT_EQ(cut.ReadFile(path.c_str(), -1), 0);
    EXPECT_EQ(cut.GetLastErrorText(), text::kReadDataFailed);
    EXPECT_EQ(mode.PageFiles(), 0u);
}

}  // namespace
