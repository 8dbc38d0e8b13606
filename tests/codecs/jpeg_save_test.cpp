// Saving JPEG files from every depth the format takes, read back through the
// codec; refusals and library failures leave the target as it was; page-file
// images save and read as images in memory do.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kBlack = 0, kWhite = 0xFFFFFF;

// Pixel (x, picture row y) takes `value(x, y)`: a colour 0xRRGGBB in a 24-bit
// image, an index into `table` in a palette image.
void Paint(CNewDIB& dib, const std::function<uint32_t(int, int)>& value, std::vector<uint32_t> table = {}) {
    int entries = 0;
    RGBQUAD* quads = dib.GetRGBQuad(&entries);
    for (size_t i = 0; i < table.size() && static_cast<int>(i) < entries; ++i)
        quads[i] = RGBQUAD{BYTE(table[i]), BYTE(table[i] >> 8), BYTE(table[i] >> 16), 0};
    const int bits = dib.GetBitCount();
    for (int y = 0; y < dib.GetHeight(); ++y) {
        BYTE* row = dib.GetDIBRow(dib.GetHeight() - 1 - y);
        for (int x = 0; x < dib.GetWidth(); ++x) {
            const uint32_t v = value(x, y);
            if (bits == 24) row[3 * x] = BYTE(v), row[3 * x + 1] = BYTE(v >> 8), row[3 * x + 2] = BYTE(v >> 16);
            else row[x * bits / 8] |= BYTE(v << (8 - bits - x * bits % 8));
        }
    }
}

::testing::AssertionResult Near(CNewDIB& dib, int x, int y, uint32_t want) {
    int got[3];
    vtest::PixelColor(dib, x, y, &got[0], &got[1], &got[2]);
    for (int c = 0; c < 3; ++c)
        if (std::abs(got[c] - int(want >> (16 - 8 * c) & 0xFF)) > 4)
            return ::testing::AssertionFailure() << got[0] << "," << got[1] << "," << got[2];
    return ::testing::AssertionSuccess();
}

class JpegSave : public ::testing::TestWithParam<int> {
protected:
    vtest::TempDir dir;
};

// Left half red, right half blue; palette images: index 1 red, 0 or 2 blue.
TEST_P(JpegSave, RedStaysRedAndBlueStaysBlueInAColourFile) {
    const int bits = GetParam();
    CNewDIB image(32, 16, bits);
    for (int r = 0; r < 16; ++r) std::memset(image.GetDIBRow(r), 0, image.GetBytesPerLine());
    Paint(image, [&](int x, int) { return x < 16 ? (bits == 24 ? kRed : 1) : bits == 24 ? kBlue : bits == 1 ? 0 : 2; },
          {kBlue, kRed, kBlue});
    ASSERT_EQ(image.SaveFile(dir.file("c.jpg").c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("c.jpg").c_str(), -1), 1);
    EXPECT_EQ(back.GetBitCount(), 24);
    EXPECT_TRUE(Near(back, 4, 8, kRed));
    EXPECT_TRUE(Near(back, 27, 8, kBlue));
}

INSTANTIATE_TEST_SUITE_P(Depths, JpegSave, ::testing::Values(1, 4, 8, 24));

// White even columns, black odd ones: the leftmost pixel of a byte is its high bits.
TEST(JpegSavePacked, PixelsAreTakenFromTheHighBitsFirst) {
    vtest::TempDir dir;
    for (int bits : {1, 4}) {
        CNewDIB image(32, 16, bits), back;
        for (int r = 0; r < 16; ++r) std::memset(image.GetDIBRow(r), 0, image.GetBytesPerLine());
        Paint(image, [](int x, int) { return x % 2 == 0; }, {kBlack, kWhite});
        ASSERT_EQ(image.SaveFile(dir.file("a.jpg").c_str(), -1, 0), 1);
        ASSERT_EQ(back.ReadFile(dir.file("a.jpg").c_str(), -1), 1);
        int even, odd, g, b;
        vtest::PixelColor(back, 10, 5, &even, &g, &b);
        vtest::PixelColor(back, 11, 5, &odd, &g, &b);
        EXPECT_TRUE(even > 160 && odd < 96) << bits << "-bit: " << even << " " << odd;
    }
}

// 2-, 16- and 32-bit images are refused before anything is written or
// reported; a width beyond the format's is the library's fatal error.
TEST(JpegSaveFailure, RefusalsAndLibraryErrorsLeaveTheTargetAndNoTemporary) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("old.jpg"), {1, 2, 3});
    vtest::RecordingWindow window;
    for (int bits : {2, 16, 32}) EXPECT_EQ(CNewDIB(4, 4, bits).SaveFile(dir.file("old.jpg").c_str(), -1, 0), 0);
    EXPECT_TRUE(window.messages.empty());
    CNewDIB wide(70000, 2, 8);
    EXPECT_EQ(wide.SaveFile(dir.file("old.jpg").c_str(), -1, 0), 0);
    EXPECT_EQ(wide.GetLastErrorText(), text::kWriteImageFailed);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
    EXPECT_EQ(vtest::ReadAll(dir.file("old.jpg")), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(dir.List().size(), 1u);
}

// 3.6 MB of 24-bit rows: two-MiB windows in PageFileMode.
TEST(JpegPageFile, SavingFromWindowsWritesTheSameFileAndReadingGivesTheSamePixels) {
    vtest::TempDir dir;
    auto scene = [](int x, int y) { return uint32_t(x * 255 / 1200) << 16 | uint32_t((x ^ y) & 0xFF) << 8 | uint32_t(y & 0xFF); };
    CNewDIB inMemory(1200, 1000, 24), readInMemory;
    Paint(inMemory, scene);
    ASSERT_EQ(inMemory.SaveFile(dir.file("memory.jpg").c_str(), -1, 0), 1);
    ASSERT_EQ(readInMemory.ReadFile(dir.file("memory.jpg").c_str(), -1), 1);
    vtest::PageFileMode mode;
    CNewDIB paged(1200, 1000, 24), readPaged;
    ASSERT_TRUE(paged.IsMapped());
    Paint(paged, scene);
    ASSERT_EQ(paged.SaveFile(dir.file("paged.jpg").c_str(), -1, 0), 1);
    EXPECT_EQ(vtest::ReadAll(dir.file("memory.jpg")), vtest::ReadAll(dir.file("paged.jpg")));
    ASSERT_EQ(readPaged.ReadFile(dir.file("paged.jpg").c_str(), -1), 1);
    ASSERT_TRUE(readPaged.IsMapped());
    for (int r = 0; r < 1000; ++r)
        ASSERT_EQ(std::memcmp(readInMemory.GetDIBRow(r), readPaged.GetDIBRow(r), 3600), 0) << "row " << r;
}

}  // namespace
