// Saving JPEG files from every depth the format takes, read back through the
// codec; refusals and failures leave the target as it was.
#include <gtest/gtest.h>

#include "codecs/jpeg_support.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kBlack = 0, kWhite = 0xFFFFFF;

// Colour of pixel (x, picture row y) as 0x00RRGGBB, each channel within 4.
::testing::AssertionResult NearColor(CNewDIB& dib, int x, int y, uint32_t want) {
    int r, g, b;
    vtest::PixelColor(dib, x, y, &r, &g, &b);
    const int w[3] = {int(want >> 16 & 0xFF), int(want >> 8 & 0xFF), int(want & 0xFF)}, got[3] = {r, g, b};
    for (int c = 0; c < 3; ++c)
        if (std::abs(got[c] - w[c]) > 4)
            return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << r << "," << g << "," << b;
    return ::testing::AssertionSuccess();
}

class JpegSaveDepth : public ::testing::TestWithParam<int> {
protected:
    vtest::TempDir dir;
};

// Left half red, right half blue, away from the edge between them (the
// colour planes are sampled at half resolution).
TEST_P(JpegSaveDepth, RedStaysRedAndBlueStaysBlue) {
    const int bits = GetParam();
    CNewDIB image(32, 16, bits);
    // Palette images: index 1 is red, 2 blue (1-bit images have only 0 and 1).
    vtest::Paint(image, [&](int x, int) -> uint32_t {
        if (bits == 24) return x < 16 ? kRed : kBlue;
        return x < 16 ? 1 : bits == 1 ? 0 : 2;
    }, {kBlue, kRed, kBlue});
    ASSERT_EQ(image.SaveFile(dir.file("c.jpg").c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("c.jpg").c_str(), -1), 1);
    EXPECT_EQ(back.GetBitCount(), 24) << "palette images are written as colour files";
    EXPECT_TRUE(NearColor(back, 4, 8, kRed));
    EXPECT_TRUE(NearColor(back, 27, 8, kBlue));
}

INSTANTIATE_TEST_SUITE_P(Depths, JpegSaveDepth, ::testing::Values(1, 4, 8, 24));

// Alternate columns white and black: the leftmost pixel of each byte is its
// most significant bits.
TEST(JpegSave, PackedPixelsAreTakenFromTheHighBitsFirst) {
    vtest::TempDir dir;
    for (int bits : {1, 4}) {
        CNewDIB image(32, 16, bits);
        vtest::Paint(image, [](int x, int) -> uint32_t { return x % 2 == 0; }, {kBlack, kWhite});
        ASSERT_EQ(image.SaveFile(dir.file("a.jpg").c_str(), -1, 0), 1);
        CNewDIB back;
        ASSERT_EQ(back.ReadFile(dir.file("a.jpg").c_str(), -1), 1);
        int even, odd, g, b;
        vtest::PixelColor(back, 10, 5, &even, &g, &b);
        vtest::PixelColor(back, 11, 5, &odd, &g, &b);
        EXPECT_GT(even, 160) << bits << "-bit";
        EXPECT_LT(odd, 96) << bits << "-bit";
    }
}

TEST(JpegSave, OtherDepthsAreRefusedAndTheTargetStaysAsItWas) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("old.jpg"), {1, 2, 3});
    vtest::RecordingWindow window;
    for (int bits : {2, 16, 32}) {
        CNewDIB image(4, 4, bits);
        EXPECT_EQ(image.SaveFile(dir.file("new.jpg").c_str(), -1, 0), 0) << bits;
        EXPECT_EQ(image.SaveFile(dir.file("old.jpg").c_str(), -1, 0), 0) << bits;
    }
    EXPECT_FALSE(vtest::FileExists(dir.file("new.jpg")));
    EXPECT_EQ(vtest::ReadAll(dir.file("old.jpg")), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(dir.List().size(), 1u) << "no temporary left";
    EXPECT_TRUE(window.messages.empty());
}

// Wider than the format allows: the library's fatal error comes back as the
// save's failure, with progress ended and nothing written.
TEST(JpegSave, ALibraryErrorFailsTheSaveAndKeepsTheTarget) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("old.jpg"), {9, 9});
    vtest::RecordingWindow window;
    CNewDIB image(70000, 2, 8);
    EXPECT_EQ(image.SaveFile(dir.file("old.jpg").c_str(), -1, 0), 0);
    EXPECT_EQ(image.GetLastErrorText(), text::kWriteImageFailed);
    EXPECT_EQ(vtest::ReadAll(dir.file("old.jpg")), (std::vector<unsigned char>{9, 9}));
    EXPECT_EQ(dir.List().size(), 1u);
    EXPECT_EQ(window.Count(DIBM_BEGINPROGRESS), 1);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(JpegSave, ProgressStepsEveryTenthAndEndsOnce) {
    vtest::TempDir dir;
    CNewDIB image(8, 25, 8);
    vtest::Paint(image, [](int x, int y) -> uint32_t { return static_cast<uint32_t>(x * y); });
    vtest::RecordingWindow window;
    ASSERT_EQ(image.SaveFile(dir.file("p.jpg").c_str(), -1, 0), 1);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front().caption, text::kSavingImage);
    EXPECT_EQ(window.Steps(), (std::vector<WPARAM>{12, 24, 36, 48, 60, 72, 84, 96}));
    EXPECT_EQ(window.messages.back().msg, DIBM_ENDPROGRESS);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(JpegSave, WithoutAnImageTheSaveIsRefused) {
    CDIBFile codec(nullptr, nullptr);
    EXPECT_EQ(codec.SaveJPGFile("/tmp/never-written.jpg"), 0);
    EXPECT_EQ(codec.GetErrorText(), text::kNoData);
}

}  // namespace
