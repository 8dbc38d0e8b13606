#include <gtest/gtest.h>

#include "document/transform_test_images.h"

namespace {

using ttest::Snapshot;

class InvertEveryBitCount : public ttest::ImageCase {};

// Palette images invert their colour table (not its reserved bytes) and keep
// their pixels; 24-bit images complement their pixel bytes but not the row
// padding; 16-bit ones their 15 colour bits, 32-bit ones blue, green and red.
TEST_P(InvertEveryBitCount, ComplementsTheTableOrThePixelBytes) {
    ASSERT_EQ(m_image->InvertColor(), 1);
    const Snapshot after = ttest::Take(*m_image);
    const int bitCount = GetParam().bitCount;
    const int entries = bitCount == 1 || bitCount == 4 || bitCount == 8 ? 1 << bitCount : 0;
    int wrong = 0;
    for (int k = 0; k < entries; ++k) {
        const RGBQUAD a = m_before.Colors()[k], b = after.Colors()[k];
        wrong += b.rgbBlue != 255 - a.rgbBlue || b.rgbGreen != 255 - a.rgbGreen || b.rgbRed != 255 - a.rgbRed ||
                 b.rgbReserved != a.rgbReserved;
    }
    EXPECT_EQ(wrong, 0) << "colour table";
    EXPECT_EQ(0, std::memcmp(after.header.data(), m_before.header.data(), 40));
    const size_t pixelBytes = bitCount > 8 ? static_cast<size_t>(after.width) * bitCount / 8 : 0;
    auto mask = [&](size_t i) -> BYTE {
        if (i >= pixelBytes) return 0;
        if (bitCount == 16) return i % 2 ? 0x7F : 0xFF;
        if (bitCount == 32) return i % 4 == 3 ? 0 : 0xFF;
        return 0xFF;
    };
    for (int r = 0; r < after.height; ++r)
        for (size_t i = 0; i < after.stride; ++i)
            wrong += after.Row(r)[i] != static_cast<BYTE>(m_before.Row(r)[i] ^ mask(i));
    EXPECT_EQ(wrong, 0) << "rows";
}

INSTANTIATE_TEST_SUITE_P(Transforms, InvertEveryBitCount, testing::ValuesIn(ttest::AllCases({1, 4, 8, 16, 24, 32})),
                         ttest::CaseName);

}  // namespace
