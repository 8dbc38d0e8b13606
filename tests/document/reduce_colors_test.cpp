// CNewDIB::ReduceColors: images of 16, 24 and 32 bits to 8 bits, exact when
// the image has few colours, close (PSNR) when it has many, the same in
// memory and across page-file windows; refusals leave the image as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>

#include "codecs/image_fixture.h"

namespace {

// A smooth picture with edges and texture: far more than 256 colours.
void PhotoLike(int x, int y, int* r, int* g, int* b) {
    *r = (x * 255 / 400 + (x * y % 23)) & 0xFF;
    *g = 128 + static_cast<int>(100 * std::sin(x / 37.0 + y / 53.0));
    *b = (y * 255 / 300 + ((x / 40 + y / 40) % 2) * 60) & 0xFF;
}

// A picture of the 7 x 6 x 6 = 252 colours of a cube.
void FewColours(int x, int y, int* r, int* g, int* b) {
    const int i = (x / 3 + y * 7) % 252;
    *r = i % 7 * 40, *g = i / 7 % 6 * 51, *b = i / 42 * 51;
}

using Picture = void (*)(int, int, int*, int*, int*);

// An image of `bitCount` bits (16: 5 bits a channel, so the picture's
// colours are cut to 5 bits first) holding the picture; y is a picture row.
std::unique_ptr<CNewDIB> Make(int width, int height, int bitCount, Picture picture) {
    auto image = std::make_unique<CNewDIB>(width, height, bitCount);
    for (int y = 0; y < height; ++y) {
        BYTE* row = image->GetDIBRow(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            picture(x, y, &r, &g, &b);
            if (bitCount == 16) {
                const int v = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
                row[2 * x] = static_cast<BYTE>(v), row[2 * x + 1] = static_cast<BYTE>(v >> 8);
                continue;
            }
            BYTE* p = row + static_cast<size_t>(x) * (bitCount / 8);
            p[0] = static_cast<BYTE>(b), p[1] = static_cast<BYTE>(g), p[2] = static_cast<BYTE>(r);
            if (bitCount == 32) p[3] = static_cast<BYTE>(x);
        }
    }
    return image;
}

// The picture's colour as a 16-bit image holds it.
int Expanded(int v, int bitCount) { return bitCount == 16 ? (v >> 3) << 3 | v >> 5 : v; }

double Psnr(CNewDIB& reduced, Picture picture, int bitCount) {
    double squares = 0;
    for (int y = 0; y < reduced.GetHeight(); ++y)
        for (int x = 0; x < reduced.GetWidth(); ++x) {
            int r, g, b, rr, rg, rb;
            picture(x, y, &r, &g, &b);
            vtest::PixelColor(reduced, x, y, &rr, &rg, &rb);
            squares += std::pow(Expanded(r, bitCount) - rr, 2) + std::pow(Expanded(g, bitCount) - rg, 2) +
                       std::pow(Expanded(b, bitCount) - rb, 2);
        }
    const double mse = squares / (3.0 * reduced.GetWidth() * reduced.GetHeight());
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

std::set<uint32_t> IndicesUsed(CNewDIB& image) {
    std::set<uint32_t> used;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) used.insert(vtest::PixelAt(image.GetDIBRow(y), x, 8));
    return used;
}

struct Case {
    int bitCount;
    bool dither;
    bool pages;
};

class ReduceColors : public ::testing::TestWithParam<Case> {};

TEST_P(ReduceColors, FewColoursStayExactAndManyComeClose) {
    const Case c = GetParam();
    std::unique_ptr<vtest::PageFileMode> pages;
    if (c.pages) pages = std::make_unique<vtest::PageFileMode>(256 * 1024);
    auto few = Make(400, 300, c.bitCount, FewColours);
    auto many = Make(400, 300, c.bitCount, PhotoLike);
    ASSERT_TRUE(few->Ready() && many->Ready());
    if (c.pages) {
        int rows = 0;
        ASSERT_TRUE(many->GetDIBBuffer(0, &rows, 1));
        EXPECT_LT(rows, many->GetHeight()) << "one window holds the image";
    }
    ASSERT_EQ(few->ReduceColors(256, c.dither), 1);
    ASSERT_EQ(few->GetBitCount(), 8);
    // 252 colours in distinct cells of the histogram: each its own entry,
    // and no error left to diffuse.
    EXPECT_EQ(Psnr(*few, FewColours, c.bitCount), 99);
    ASSERT_EQ(many->ReduceColors(256, c.dither), 1);
    // A hard picture (fine noise on every pixel): ImageMagick's -colors 256
    // gives 28.2 dB plain and 25.5 dithered (dithering trades PSNR for smoothness).
    EXPECT_GT(Psnr(*many, PhotoLike, c.bitCount), c.dither ? 25 : 28);
    auto sixteen = Make(400, 300, c.bitCount, PhotoLike);
    ASSERT_EQ(sixteen->ReduceColors(16, c.dither), 1);
    EXPECT_LE(IndicesUsed(*sixteen).size(), 16u);
    EXPECT_GT(Psnr(*sixteen, PhotoLike, c.bitCount), c.dither ? 16 : 18);
}

INSTANTIATE_TEST_SUITE_P(Depths, ReduceColors,
                         ::testing::Values(Case{24, false, false}, Case{24, true, false}, Case{24, false, true},
                                           Case{24, true, true}, Case{32, true, false}, Case{32, false, true},
                                           Case{16, false, false}, Case{16, true, true}));

// Page-file images reduce window by window to what memory images reduce to.
TEST(ReduceColorsPages, SameIndicesAsInMemory) {
    auto inMemory = Make(333, 250, 24, PhotoLike);
    ASSERT_EQ(inMemory->ReduceColors(200, 1), 1);
    vtest::PageFileMode pages(256 * 1024);
    auto paged = Make(333, 250, 24, PhotoLike);
    ASSERT_TRUE(paged->IsMapped());
    ASSERT_EQ(paged->ReduceColors(200, 1), 1);
    EXPECT_TRUE(paged->IsMapped());
    for (int y = 0; y < 250; ++y)
        ASSERT_EQ(std::memcmp(paged->GetDIBRow(y), inMemory->GetDIBRow(y), 336), 0) << "row " << y;
    int entries = 0, memoryEntries = 0;
    EXPECT_EQ(std::memcmp(paged->GetRGBQuad(&entries), inMemory->GetRGBQuad(&memoryEntries), 1024), 0);
}

TEST(ReduceColorsRefusal, OtherDepthsAndCountsLeaveTheImage) {
    CNewDIB eight(10, 10, 8), empty;
    auto rgb = Make(10, 10, 24, PhotoLike);
    EXPECT_EQ(eight.ReduceColors(256, 1), 0);
    EXPECT_EQ(empty.ReduceColors(256, 1), 0);
    EXPECT_EQ(rgb->ReduceColors(1, 1), 0);
    EXPECT_EQ(rgb->ReduceColors(257, 0), 0);
    EXPECT_EQ(rgb->GetBitCount(), 24);
    EXPECT_EQ(eight.GetBitCount(), 8);
}

}  // namespace
