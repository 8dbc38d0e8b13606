// Rows unpacked to indices and blue-green-red bytes and packed back, at every
// index depth (pixels that straddle bytes too). Bits placed at any offset are
// proved by the TIFF tiles that end inside a byte.
#include <gtest/gtest.h>

#include <vector>

#include "storage/pixel_unpack.h"

namespace {

using namespace velmora::pixels;

int Pattern(int x, int bits) { return (x * 5 + 3) & ((1 << bits) - 1); }

TEST(PixelUnpack, IndicesOfEveryDepthRoundTripAndTouchOnlyTheirOwnBits) {
    const int width = 21;  // 3 bits: pixel 2 covers bits 6-8, across a byte
    for (int bits = 1; bits <= 8; ++bits) {
        std::vector<uint8_t> in(width), out(width);
        for (int x = 0; x < width; ++x) in[x] = static_cast<uint8_t>(Pattern(x, bits) | (0xFF << bits & 0xFF));  // bits above the depth are dropped
        std::vector<BYTE> row((width * bits + 7) / 8 + 1, 0xA5);  // the byte after stays
        RowFromIndices(in.data(), width, bits, row.data());
        RowToIndices(row.data(), width, bits, out.data());
        for (int x = 0; x < width; ++x) EXPECT_EQ(out[x], Pattern(x, bits)) << bits << " bits, pixel " << x;
        EXPECT_EQ(row.back(), 0xA5) << bits;
        // One pixel rewritten: its neighbours keep theirs.
        PutIndex(row.data(), 2, bits, (1 << bits) - 1);
        EXPECT_EQ(IndexAt(row.data(), 1, bits), Pattern(1, bits)) << bits;
        EXPECT_EQ(IndexAt(row.data(), 2, bits), (1 << bits) - 1) << bits;
        EXPECT_EQ(IndexAt(row.data(), 3, bits), Pattern(3, bits)) << bits;
    }
}

TEST(PixelUnpack, RowsAsBlueGreenRed) {
    const RGBQUAD palette[8] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {}, {}, {}, {}, {}, {7, 8, 9, 0}};
    const BYTE threeBit[] = {0x3F, 0x80};  // indices 1, 7, 7 (the last across the bytes)
    const BYTE sixteen[] = {0x1F, 0x00, 0xE0, 0x03, 0x00, 0x40, 0x20, 0x00};  // blue 31, green 31, red 16, green 1
    const BYTE thirtyTwo[] = {1, 2, 3, 99, 4, 5, 6, 99};
    struct Case {
        const BYTE* row;
        int width, bits;
        std::vector<BYTE> bgr;
    } cases[] = {
        {threeBit, 3, 3, {4, 5, 6, 7, 8, 9, 7, 8, 9}},
        {sixteen, 4, 16, {255, 0, 0, 0, 255, 0, 0, 0, 132, 0, 8, 0}},  // 5 bits widened abcde -> abcdeabc
        {thirtyTwo, 2, 32, {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> out(c.bgr.size());
        const BYTE* got = RowAsBgr(c.row, c.width, c.bits, palette, out.data());
        EXPECT_EQ(std::vector<BYTE>(got, got + c.bgr.size()), c.bgr) << c.bits;
    }
    EXPECT_EQ(RowAsBgr(thirtyTwo, 2, 12, palette, nullptr), nullptr);
}

}  // namespace
