// CNewDIB::WidenDepth: indices of every depth (3, 5, 6 and 7 bits straddle
// bytes) repacked wider with their colour table, 16 and 32-bit pixels made
// 24-bit, in memory and across page-file windows; other pairs refused.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "codecs/image_fixture.h"
#include "storage/pixel_unpack.h"

namespace {

using velmora::pixels::IndexAt;
using velmora::pixels::PutIndex;

int IndexOf(int x, int y, int bits) { return (x * 3 + y * 7 + x * y / 5) & ((1 << bits) - 1); }

// Bytes of pixel x in row y of a 16 or 32-bit image, and its blue, green, red as 8 bits.
void Colour(int x, int y, int bits, BYTE* pixel, BYTE* bgr) {
    const int v = (x * 31 + y * 17) & 0x7FFF;
    if (bits == 16) {
        pixel[0] = static_cast<BYTE>(v), pixel[1] = static_cast<BYTE>(v >> 8);
        for (int c = 0; c < 3; ++c) bgr[c] = velmora::pixels::Widen5(v >> 5 * c & 31);
        return;
    }
    for (int c = 0; c < 4; ++c) pixel[c] = static_cast<BYTE>(v + 40 * c);  // the fourth byte is dropped
    std::memcpy(bgr, pixel, 3);
}

std::unique_ptr<CNewDIB> Make(int width, int height, int bits) {
    auto dib = std::make_unique<CNewDIB>(width, height, bits);
    int entries = 0;
    if (RGBQUAD* table = dib->GetRGBQuad(&entries))
        for (int i = 0; i < entries; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 3), 0};
    BYTE bgr[4];
    for (int y = 0; y < height; ++y) {
        BYTE* row = dib->GetDIBRow(y);
        for (int x = 0; x < width; ++x) {
            if (bits <= 8) PutIndex(row, x, bits, IndexOf(x, y, bits));
            else Colour(x, y, bits, row + x * bits / 8, bgr);
        }
    }
    return dib;
}

// Pixels of the widened image that are not the source's; -1 on a wrong depth.
int Differing(CNewDIB& wide, int from, int to) {
    if (wide.GetBitCount() != to) return -1;
    int differing = 0;
    BYTE pixel[4], bgr[4];
    for (int y = 0; y < wide.GetHeight(); ++y) {
        const BYTE* row = wide.GetDIBRow(y);
        for (int x = 0; x < wide.GetWidth(); ++x) {
            if (to <= 8) {
                differing += IndexAt(row, x, to) != IndexOf(x, y, from);
                continue;
            }
            Colour(x, y, from, pixel, bgr);
            differing += std::memcmp(row + 3 * x, bgr, 3) != 0;
        }
    }
    return differing;
}

class WidenDepth : public ::testing::TestWithParam<std::tuple<std::pair<int, int>, bool>> {};

TEST_P(WidenDepth, KeepsEveryPixelAndTheColourTable) {
    const auto [from, to] = std::get<0>(GetParam());
    std::unique_ptr<vtest::PageFileMode> pages(std::get<1>(GetParam()) ? new vtest::PageFileMode(64 * 1024) : nullptr);
    const int width = 701, height = 240;
    auto dib = Make(width, height, from);
    ASSERT_TRUE(dib->Ready());
    ASSERT_EQ(dib->WidenDepth(to), 1);
    EXPECT_EQ(dib->IsMapped() != 0, pages != nullptr);
    EXPECT_EQ(Differing(*dib, from, to), 0);
    int entries = 0;
    const RGBQUAD* table = dib->GetRGBQuad(&entries);
    for (int i = 0; to <= 8 && i < entries; ++i) {
        const RGBQUAD want = i < 1 << from ? RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 3), 0} : RGBQUAD{0, 0, 0, 0};
        EXPECT_EQ(std::memcmp(&table[i], &want, sizeof want), 0) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, WidenDepth,
                         ::testing::Combine(::testing::Values(std::pair{1, 8}, std::pair{2, 4}, std::pair{3, 4},
                                                              std::pair{3, 8}, std::pair{5, 8}, std::pair{6, 8},
                                                              std::pair{7, 8}, std::pair{4, 8}, std::pair{16, 24},
                                                              std::pair{32, 24}),
                                            ::testing::Bool()));

TEST(WidenDepthRefusal, OtherPairsLeaveTheImage) {
    for (const auto& [from, to] : {std::pair{8, 4}, std::pair{4, 4}, std::pair{8, 24}, std::pair{16, 32}})
        EXPECT_EQ(Make(9, 4, from)->WidenDepth(to), 0) << from << " to " << to;
}

}  // namespace
