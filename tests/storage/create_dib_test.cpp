// Creating and releasing images: strides, headers, refused sizes and depths.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <tuple>

#include "tests/storage/storage_fixture.h"

// Lets the refusal of a petabyte block be seen as a null result under the
// address sanitizer too.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

using vtest::PageFileTest;

TEST(CreateDIB, StrideHeaderAndSizeFollowTheLayout) {
    struct Shape {
        int width, height, bits;
        unsigned long stride;
        int paletteBytes;
    };
    const Shape shapes[] = {{1, 1, 1, 4, 8},  {3, 2, 8, 4, 1024}, {10, 1, 4, 8, 64}, {5, 5, 24, 16, 0},
                            {33, 3, 1, 8, 8}, {7, 2, 2, 4, 16},   {3, 1, 16, 8, 0},  {3, 1, 32, 12, 0}};
    for (const Shape& s : shapes) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << "x" << s.bits);
        CNewDIBObject dib;
        ASSERT_EQ(dib.CreateDIB(s.width, s.height, s.bits), 1);
        EXPECT_EQ(dib.Ready(), 1);
        EXPECT_EQ(dib.GetBytesPerLine(), s.stride);
        EXPECT_EQ(dib.GetDIBSize(), s.stride * static_cast<unsigned long>(s.height));
        EXPECT_EQ(dib.GetPaletteSize(), s.paletteBytes);
        BITMAPINFOHEADER& h = dib.GetBitmapInfo()->bmiHeader;
        EXPECT_EQ(std::make_tuple(h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biBitCount, h.biCompression),
                  std::make_tuple(40u, s.width, s.height, WORD{1}, static_cast<WORD>(s.bits), DWORD{BI_RGB}));
        EXPECT_EQ(std::make_tuple(h.biXPelsPerMeter, h.biYPelsPerMeter, h.biClrUsed),
                  std::make_tuple(11811, 11811, 0u));
        h.biHeight = 1;  // as drawing leaves it: the header gets the full height back
        EXPECT_EQ(dib.GetBitmapInfo()->bmiHeader.biHeight, s.height);
        std::memset(dib.GetGlobalDIBits(), 0x5A, dib.GetDIBSize());  // the pixel rows are all writable
    }
}

// Refused creations leave the image empty; a released one keeps its size only.
TEST(CreateDIB, RefusedAndReleasedImagesHaveNoPixels) {
    CNewDIBObject dib;
    EXPECT_EQ(dib.GetPixelIndex(0, 0), -1);  // empty before creation
    // Non-positive sizes, unknown depths, strides beyond an int.
    const int refused[][3] = {
        {0, 5, 8},  {5, 0, 8},  {-5, 5, 8}, {5, -1, 24}, {5, 5, 0},  {5, 5, -1},       {5, 5, 9},
        {5, 5, 12}, {5, 5, 15}, {5, 5, 20}, {5, 5, 33},  {5, 5, 48}, {INT_MAX, 1, 32}, {INT_MAX / 3 + 1, 1, 24}};
    for (const auto& r : refused) {
        ASSERT_EQ(dib.CreateDIB(10, 20, 8), 1);
        EXPECT_EQ(dib.CreateDIB(r[0], r[1], r[2]), 0) << r[0] << "x" << r[1] << "x" << r[2];
        // Nothing of the image it replaced is left to read.
        EXPECT_EQ(std::make_tuple(dib.GetWidth(), dib.GetHeight(), dib.GetBitCount(), dib.GetDIBSize()),
                  std::make_tuple(0, 0, 0, 0ul));
    }
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_EQ(dib.GetBitmapInfo(), nullptr);
    ASSERT_EQ(dib.CreateDIB(40, 30, 8), 1);
    dib.ReleaseDIB();
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_EQ(std::make_pair(dib.GetWidth(), dib.GetHeight()), std::make_pair(40, 30));
    EXPECT_EQ(dib.GetBitmapInfo(), nullptr);
    EXPECT_EQ(dib.GetGlobalDIBits(), nullptr);
    int count = 7;
    EXPECT_EQ(dib.GetDIBBuffer(0, &count, 1), nullptr);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(dib.GetDIBRow(0), nullptr);
    dib.ReleaseDIB();  // twice is harmless
}

// A block of 2^50 bytes exists nowhere: the creation fails instead of
// reporting an image without pixels, in memory and as a page file (which the
// disk cannot reserve, and which is left nowhere).
TEST_F(PageFileTest, BlockThatCannotBeHadFailsTheCreationWithoutTrace) {
    SetMaxImagePixels(~0ul);  // past the pixel limit, to the allocation itself
    SetImageUseMemSize(~0ul);
    CNewDIBObject dib;
    EXPECT_EQ(dib.CreateDIB(1 << 28, 1 << 20, 32), 0);
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_EQ(dib.GetDIBSize(), 1ul << 50);  // 64-bit, not wrapped
    SetImageUseMemSize(0);
    SetLoadImageNumber(3);
    EXPECT_EQ(dib.CreateDIB(1 << 28, 1 << 20, 32), 0);
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(GetLoadImageNumber(), 3);
}

}  // namespace
