// Creating and releasing images: strides, headers, refused sizes and depths.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "tests/storage/storage_fixture.h"

// Lets the refusal of a petabyte block be seen as a null result under the
// address sanitizer too.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

using vtest::PageFileTest;

struct Shape {
    int width, height, bits;
    unsigned long stride;
    int paletteBytes;
};

TEST(CreateDIB, StrideHeaderAndSizeFollowTheLayout) {
    const Shape shapes[] = {{1, 1, 1, 4, 8}, {3, 2, 8, 4, 1024}, {10, 1, 4, 8, 64}, {5, 5, 24, 16, 0},
                            {33, 3, 1, 8, 8}, {7, 2, 2, 4, 16}, {3, 1, 16, 8, 0}, {3, 1, 32, 12, 0}};
    for (const Shape& s : shapes) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << "x" << s.bits);
        CNewDIBObject dib;
        ASSERT_EQ(dib.CreateDIB(s.width, s.height, s.bits), 1);
        EXPECT_EQ(dib.Ready(), 1);
        EXPECT_EQ(dib.GetBytesPerLine(), s.stride);
        EXPECT_EQ(dib.GetDIBSize(), s.stride * static_cast<unsigned long>(s.height));
        EXPECT_EQ(dib.GetPaletteSize(), s.paletteBytes);
        const BITMAPINFOHEADER& h = dib.GetBitmapInfo()->bmiHeader;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, s.width);
        EXPECT_EQ(h.biHeight, s.height);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, s.bits);
        EXPECT_EQ(h.biCompression, BI_RGB);
        EXPECT_EQ(h.biXPelsPerMeter, 11811);
        EXPECT_EQ(h.biYPelsPerMeter, 11811);
        EXPECT_EQ(h.biClrUsed, 0u);
        // The pixel rows are all writable.
        std::memset(dib.GetGlobalDIBits(), 0x5A, dib.GetDIBSize());
    }
}

TEST(CreateDIB, RefusesNonPositiveSizesAndUnknownDepths) {
    CNewDIBObject dib;
    EXPECT_EQ(dib.CreateDIB(0, 5, 8), 0);
    EXPECT_EQ(dib.CreateDIB(5, 0, 8), 0);
    EXPECT_EQ(dib.CreateDIB(-5, 5, 8), 0);
    EXPECT_EQ(dib.CreateDIB(5, -1, 24), 0);
    for (int bits : {0, -1, 9, 12, 15, 20, 33, 48}) EXPECT_EQ(dib.CreateDIB(5, 5, bits), 0) << bits;
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_EQ(dib.GetBitmapInfo(), nullptr);
}

TEST(CreateDIB, RefusesAStrideThatDoesNotFitAnInt) {
    CNewDIBObject dib;
    EXPECT_EQ(dib.CreateDIB(INT_MAX, 1, 32), 0);
    EXPECT_EQ(dib.CreateDIB(INT_MAX / 3 + 1, 1, 24), 0);
    EXPECT_EQ(dib.Ready(), 0);
}

TEST(CreateDIB, ReleaseKeepsTheSizeButNotThePixels) {
    CNewDIBObject dib;
    ASSERT_EQ(dib.CreateDIB(40, 30, 8), 1);
    dib.ReleaseDIB();
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_EQ(dib.GetWidth(), 40);
    EXPECT_EQ(dib.GetHeight(), 30);
    EXPECT_EQ(dib.GetBitmapInfo(), nullptr);
    EXPECT_EQ(dib.GetGlobalDIBits(), nullptr);
    int count = 7;
    EXPECT_EQ(dib.GetDIBBuffer(0, &count, 1), nullptr);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(dib.GetDIBRow(0), nullptr);
    dib.ReleaseDIB();  // twice is harmless
}

TEST(CreateDIB, GetBitmapInfoPutsTheHeightBack) {
    CNewDIBObject dib;
    ASSERT_EQ(dib.CreateDIB(4, 9, 8), 1);
    dib.GetBitmapInfo()->bmiHeader.biHeight = 3;  // as drawing leaves it
    EXPECT_EQ(dib.GetBitmapInfo()->bmiHeader.biHeight, 9);
}

TEST(CreateDIB, EmptyImageBeforeCreation) {
    CNewDIBObject dib;
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_EQ(dib.GetBitmapInfo(), nullptr);
    EXPECT_EQ(dib.GetPixelIndex(0, 0), -1);
    EXPECT_EQ(dib.GetDIBRow(0), nullptr);
}

// A block of 2^50 bytes exists nowhere: the creation fails instead of
// reporting an image without pixels.
TEST_F(PageFileTest, MemoryBlockThatCannotBeHadFailsTheCreation) {
    SetImageUseMemSize(~0ul);  // everything stays in memory
    CNewDIBObject dib;
    EXPECT_EQ(dib.CreateDIB(1 << 28, 1 << 20, 32), 0);
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_EQ(dib.GetDIBSize(), 1ul << 50);  // 64-bit, not wrapped
}

// The same size as a page file: the disk cannot reserve it, so the creation
// fails and leaves no file behind.
TEST_F(PageFileTest, PageFileThatCannotBeReservedFailsWithoutTrace) {
    SetLoadImageNumber(3);
    CNewDIBObject dib;
    EXPECT_EQ(dib.CreateDIB(1 << 28, 1 << 20, 32), 0);
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(GetLoadImageNumber(), 3);
}

}  // namespace
