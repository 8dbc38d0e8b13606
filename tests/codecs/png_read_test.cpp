// Reading PNG files: PngSuite and peer-written files against their reference
// decodings, indexed files of every depth, refusals and progress.
#include <gtest/gtest.h>

#include "codecs/image_fixture.h"
#include "codecs/png_builder.h"
#include "environment/texts.h"

namespace {

namespace text = velmora::text;

std::string PngPath(const std::string& stem) { return vtest::DataPath("png/" + stem + ".png"); }

vtest::RefImage RefFor(const std::string& stem) {
    vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("png/" + stem + ".ref.ppm"));
    return ref.ok() ? ref : vtest::ReadPnm(vtest::DataPath("png/" + stem + ".ref.pgm"));
}

std::vector<int> Rgb(const RGBQUAD& q) { return {q.rgbRed, q.rgbGreen, q.rgbBlue}; }

class PngMatchesReference : public ::testing::TestWithParam<const char*> {};

TEST_P(PngMatchesReference, Pixels) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath(GetParam()).c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, RefFor(GetParam())), 0);
    EXPECT_EQ(dib.GetBitmapInfoHeader()->biXPelsPerMeter, 11811);
}

INSTANTIATE_TEST_SUITE_P(Indexed, PngMatchesReference,
                         ::testing::Values("basn3p02", "basn3p04", "basn3p08", "s33n3p04", "pnm_pal4_w37", "pnm_pal2bit",
                                           "tm3n3p02", "tbbn3p08"));
INSTANTIATE_TEST_SUITE_P(Interlaced, PngMatchesReference,
                         ::testing::Values("basi3p02", "basi3p04", "basi3p08", "s09i3p02", "s35i3p04"));
// 16-bit colour with a suggested palette: 24-bit, compared as blue, green, red.
INSTANTIATE_TEST_SUITE_P(Colour, PngMatchesReference, ::testing::Values("pp0n2c16"));
// Without a palette chunk: greyscale of 1, 8 and 16 bits (16 cut to the high
// byte), truecolour of 8 and 16, with alpha (colours compared, alpha apart),
// and files from ImageMagick.
INSTANTIATE_TEST_SUITE_P(NoPalette, PngMatchesReference,
                         ::testing::Values("basn0g01", "basn0g08", "basn0g16", "basi0g08", "ps2n0g08", "basn2c08",
                                           "basn2c16", "oi9n2c16", "z09n2c08", "basn4a08", "basn6a08", "im_grey8",
                                           "im_rgb24"));
// Palettes with tRNS read their colours (the alpha is not used); the 1-bit
// one its own two colours.
INSTANTIATE_TEST_SUITE_P(Transparency, PngMatchesReference,
                         ::testing::Values("libpng_palette-1-tRNS", "pil_P_trns_shared", "basn3p01", "pnm_pal1bit_colour"));

TEST(PngRead, AlphaIsCompositedOverTheBackgroundColour) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath("pp0n6a08").c_str(), -1), 1);
    int r, g, b;
    vtest::PixelColor(dib, 0, 0, &r, &g, &b);  // fully transparent in the file
    EXPECT_EQ((std::vector<int>{dib.GetBitCount(), r, g, b}), (std::vector<int>{24, 31, 127, 255}));
}

TEST(PngRead, IndicesPastAShortPaletteAreBlack) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath("libpng_badpal_small-palette-4").c_str(), -1), 1);
    int entries = 0;
    EXPECT_EQ(Rgb(dib.GetRGBQuad(&entries)[15]), (std::vector<int>{0, 0, 0}));  // the palette holds 15
    // Its one pixel of index 15 is all that differs from the reference (a grey there).
    EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, RefFor("libpng_badpal_small-palette-4")), 1);
}

class PngEveryDepth : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(PngEveryDepth, IndicesAndColourTableAsWritten) {
    vtest::PngPicture picture;
    picture.width = 37, picture.height = 23, picture.bitDepth = std::get<0>(GetParam()), picture.interlaced = std::get<1>(GetParam());
    picture.palette = vtest::DistinctPalette(1 << picture.bitDepth);
    picture.index = [mask = (1 << picture.bitDepth) - 1](int x, int y) { return (x * 3 + y * 5 + x * y) & mask; };
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("w.png"), picture));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("w.png").c_str(), -1), 1);
    ASSERT_EQ(dib.GetBitCount(), picture.bitDepth);
    EXPECT_EQ(vtest::PixelsDifferingFromPicture(dib, picture), 0);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    // One-bit images too get the file's two colours.
    for (int i = 0; i < entries; ++i) {
        const png_color c = picture.palette[i];
        EXPECT_EQ(Rgb(table[i]), Rgb({c.blue, c.green, c.red, 0}));
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PngEveryDepth, ::testing::Combine(::testing::Values(1, 2, 4, 8), ::testing::Bool()));

// Files without a palette chunk, once refused with the greyscale box, read:
// greyscale as grey-ramp images of their depth, colour as 24-bit, alpha as 32.
TEST(PngRead, FilesWithoutAPaletteReadWithoutABox) {
    struct Case {
        const char* stem;
        int bitCount;
    } cases[] = {{"basn0g08", 8}, {"basn2c08", 24}, {"basn4a08", 32}};
    for (const Case& c : cases) {
        vtest::RecordingMessageBoxes boxes;
        CNewDIB dib;
        EXPECT_EQ(dib.ReadFile(PngPath(c.stem).c_str(), -1), 1) << c.stem;
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_EQ(dib.GetBitCount(), c.bitCount) << c.stem;
    }
}

TEST(PngRead, EveryInterlacePassClimbsToAHundred) {
    vtest::PngPicture picture;
    picture.width = 20, picture.height = 250, picture.interlaced = true, picture.palette = vtest::DistinctPalette(256);
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("i.png"), picture));
    vtest::RecordingWindow window;
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("i.png").c_str(), -1), 1);
    EXPECT_EQ(window.messages.front().caption, text::kReadingImage);
    // Step 3: remaining rows 246, 243, ... 0 send 18 ... 100, in each of 7 passes.
    std::vector<WPARAM> expected;
    for (int pass = 0; pass < 7; ++pass)
        for (WPARAM v = 18; v <= 100; ++v) expected.push_back(v);
    EXPECT_EQ(window.Steps(), expected);
}

// Both directions refuse, with a warning, images larger than the available
// memory, before anything is read or written.
// The check guards memory: with 128 MiB of memory the 2.2 MB image stays in
// memory (below a thirty-second of it) and is refused; with 64 MiB it goes to
// a page file and reads and saves through the windows.
TEST(PngMemoryCheck, ImagesHeldInMemoryAndLargerThanTheAvailableMemoryAreRefusedWithTheWarning) {
    vtest::PngPicture picture;
    picture.width = 2000, picture.height = 1100, picture.palette = vtest::DistinctPalette(256);
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("big.png"), picture));
    {
        CNewDIB image(2000, 1100, 8);
        vtest::ScopedMemoryFigures memory(128 * vtest::kMiB, vtest::kMiB + 5);
        vtest::RecordingMessageBoxes boxes;
        EXPECT_EQ(image.ReadFile(dir.file("big.png").c_str(), -1), 0);
        EXPECT_EQ(image.SaveFile(dir.file("out.png").c_str(), -1, 0), 0);
        CString read, save;
        read.Format(text::kPngReadTooLarge, 1, 2);  // 1 MiB available; 2,201,064 bytes with header and table
        save.Format(text::kPngSaveTooLarge, 2, 1);  // 2,200,000 bytes
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[0].text, read.str());
        EXPECT_EQ(boxes.boxes[1].text, save.str());
        EXPECT_EQ(dir.List().size(), 1u);
    }
    vtest::PageFileMode pages(256 * 1024);
    vtest::ScopedMemoryFigures memory(64 * vtest::kMiB, vtest::kMiB + 5);
    vtest::RecordingMessageBoxes boxes;
    CNewDIB image;
    ASSERT_EQ(image.ReadFile(dir.file("big.png").c_str(), -1), 1);
    EXPECT_EQ(image.IsMapped(), 1);
    EXPECT_EQ(image.SaveFile(dir.file("out.png").c_str(), -1, 0), 1);
    EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
