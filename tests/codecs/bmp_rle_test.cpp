// Run-length data: escapes, bounds on runs and data, RLE4 nibbles, top-down
// files, and images larger than one row window.
#include <gtest/gtest.h>

#include "codecs/bmp_builder.h"
#include "codecs/image_fixture.h"
#include "environment/texts.h"

namespace {

namespace text = velmora::text;

using Rows = std::vector<std::vector<int>>;  // pixel bytes of each picture row, top first

vtest::BmpLayout Rle(int width, int height, std::vector<uint8_t> data, int bitCount = 8) {
    vtest::BmpLayout layout;
    layout.width = width, layout.height = height, layout.bitCount = bitCount, layout.data = std::move(data);
    layout.compression = bitCount == 4 ? BI_RLE4 : BI_RLE8;
    return layout;
}

// Reads a file built from `layout` into `dib`; 1 on success.
int Read(CNewDIB& dib, const vtest::BmpLayout& layout) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("rle.bmp"), vtest::BuildBmp(layout));
    return dib.ReadFile(dir.file("rle.bmp").c_str(), -1);
}

struct Decoded {
    const char* what;
    vtest::BmpLayout layout;
    Rows rows;
};

TEST(RunLength, DecodesToBottomUpUncompressedRows) {
    const Decoded cases[] = {
        // 03 07: three 7s; 00 00: end of row; 00 03: three literal bytes and
        // a pad byte; 00 01: end of picture, the rest stays 0.
        {"runs, literals, end of bitmap", Rle(4, 3, {3, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}),
         {{0, 0, 0, 0}, {1, 2, 3, 0}, {7, 7, 7, 0}}},
        {"runs never write past their row", Rle(4, 2, {255, 5, 0, 0, 0, 8, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0}),
         {{1, 2, 3, 4}, {5, 5, 5, 5}}},
        {"rows beyond the last are ignored", Rle(4, 1, {2, 9, 0, 0, 4, 4, 0, 0, 4, 4, 0, 0, 0, 1}), {{9, 9, 0, 0}}},
        // Bottom: 5 pixels alternating 1 and 2. Top: a literal A B C D E in
        // 3 bytes plus a pad byte.
        {"RLE4 nibbles", Rle(5, 2, {5, 0x12, 0, 0, 0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 0, 0, 1}, 4),
         {{0xAB, 0xCD, 0xE0}, {0x12, 0x12, 0x10}}},
        {"top-down file", Rle(2, -2, {2, 1, 0, 0, 2, 2, 0, 1}), {{1, 1}, {2, 2}}},
        // 00 02 dx dy: right dx, up dy; what it passes over is index 0.
        {"delta up a row", Rle(4, 3, {2, 5, 0, 2, 1, 1, 2, 6, 0, 0, 0, 1}), {{0, 0, 0, 0}, {0, 0, 0, 6}, {5, 5, 0, 0}}},
        {"delta along the row", Rle(4, 1, {0, 2, 2, 0, 1, 9, 0, 0, 0, 1}), {{0, 0, 9, 0}}},
        {"delta over whole rows", Rle(2, 4, {1, 3, 0, 2, 0, 3, 1, 4, 0, 1}), {{0, 4}, {0, 0}, {0, 0}, {3, 0}}},
        {"delta past the last row", Rle(2, 2, {1, 3, 0, 2, 0, 9}), {{0, 0}, {3, 0}}},
        {"delta past the row's end", Rle(2, 1, {0, 2, 200, 0, 1, 3, 0, 1}), {{0, 0}}},
        {"RLE4 delta", Rle(4, 2, {0, 2, 1, 1, 2, 0x56, 0, 0, 0, 1}, 4), {{0x05, 0x60}, {0x00, 0x00}}},
        {"RLE4 delta, top-down", Rle(4, -2, {0, 2, 1, 1, 2, 0x56, 0, 1}, 4), {{0x00, 0x00}, {0x05, 0x60}}},
    };
    for (const Decoded& c : cases) {
        SCOPED_TRACE(c.what);
        CNewDIB dib;
        ASSERT_EQ(Read(dib, c.layout), 1);
        const BITMAPINFOHEADER* header = dib.GetBitmapInfoHeader();
        EXPECT_EQ(header->biCompression, BI_RGB);
        EXPECT_EQ(header->biHeight, static_cast<int>(c.rows.size()));
        for (size_t y = 0; y < c.rows.size(); ++y) {
            const BYTE* row = dib.GetDIBRow(dib.GetHeight() - 1 - static_cast<int>(y));
            EXPECT_EQ(std::vector<int>(row, row + c.rows[y].size()), c.rows[y]) << "row " << y;
        }
    }
}

TEST(RunLength, DataEndingInsideARunFailsAndReleasesTheImage) {
    for (const std::vector<uint8_t>& data : {std::vector<uint8_t>{3, 7, 0, 0, 3},        // a run without its value
                                             std::vector<uint8_t>{0, 6, 1, 2, 3},        // a literal cut short
                                             std::vector<uint8_t>{3, 7, 0, 0, 2, 2},     // no end of line
                                             std::vector<uint8_t>{0, 2, 1}}) {           // a delta cut short
        CNewDIB dib;
        EXPECT_EQ(Read(dib, Rle(4, 2, data)), 0);
        EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
        EXPECT_FALSE(dib.Ready());
    }
}

// A few bytes may code an ordinary picture; only a header that asks for
// hundreds of megabytes must bring data in proportion.
TEST(RunLength, TinyDataReadsUnlessTheHeaderAsksForAHugeImage) {
    std::vector<uint8_t> endOfLines;
    for (int r = 0; r < 1000; ++r) endOfLines.insert(endOfLines.end(), {0, 0});
    const std::pair<vtest::BmpLayout, int> cases[] = {
        {Rle(64, 64, {0, 1}), 0},                           // end of bitmap only
        {Rle(300, 300, {200, 5, 100, 5, 0, 0, 0, 1}), 5},  // one row, then end of bitmap
        {Rle(1000, 1000, endOfLines), 0}};
    for (const auto& [layout, bottom] : cases) {
        SCOPED_TRACE(testing::Message() << layout.width << " x " << layout.height);
        CNewDIB dib;
        ASSERT_EQ(Read(dib, layout), 1) << dib.GetLastErrorText().c_str();
        EXPECT_EQ(dib.GetDIBRow(0)[layout.width - 1], bottom);
        EXPECT_EQ(dib.GetDIBRow(layout.height - 1)[0], 0);
    }
    vtest::PageFileMode mode;
    CNewDIB kept(3, 3, 8);
    EXPECT_EQ(Read(kept, Rle(20000, 20000, {0, 1})), 0);  // 400 MB from two bytes
    EXPECT_EQ(kept.GetLastErrorText(), text::kReadDataFailed);
    EXPECT_EQ(kept.GetWidth(), 3);
    EXPECT_EQ(mode.PageFiles(), 0u);
}

TEST(RunLength, CompressionMustFitTheBitCount) {
    vtest::BmpLayout layout = Rle(4, 2, {0, 1});
    layout.bitCount = 24;
    CNewDIB kept(3, 3, 8);
    EXPECT_EQ(Read(kept, layout), 0);
    EXPECT_EQ(kept.GetLastErrorText(), text::kUnknownCompression);
    EXPECT_TRUE(kept.Ready());  // refused before the image was replaced
}

// 3 MB of RLE8 whose storage row r holds r & 0xFF throughout, in runs of 200.
TEST(RunLengthPageFile, DecodesAcrossWindowsAndLeavesNoPageFileWhenCut) {
    vtest::PageFileMode mode;
    const int width = 2000, height = 1500;
    std::vector<uint8_t> data;
    for (int r = 0; r < height; ++r) {
        for (int x = 0; x < width; x += 200) data.insert(data.end(), {200, static_cast<uint8_t>(r)});
        data.insert(data.end(), {0, 0});
    }
    data.insert(data.end(), {0, 1});
    {
        CNewDIB dib;
        ASSERT_EQ(Read(dib, Rle(width, height, data)), 1);
        ASSERT_TRUE(dib.IsMapped());
        for (int r = 0; r < height; r += 7) {
            ASSERT_EQ(dib.GetDIBRow(r)[0], r & 0xFF);
            ASSERT_EQ(dib.GetDIBRow(r)[width - 1], r & 0xFF);
        }
    }
    data.resize(data.size() / 2);
    CNewDIB cut;
    EXPECT_EQ(Read(cut, Rle(width, height, data)), 0);
    EXPECT_EQ(cut.GetLastErrorText(), text::kReadDataFailed);
    EXPECT_EQ(mode.PageFiles(), 0u);
}

}  // namespace
