// Reading PNG files: PngSuite and peer-written files against their reference
// decodings, indexed files of every depth, refusals, progress, and images in
// page files.
#include <gtest/gtest.h>

#include <map>

#include "codecs/image_fixture.h"
#include "codecs/png_builder.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

std::string PngPath(const std::string& stem) { return vtest::DataPath("png/" + stem + ".png"); }

vtest::RefImage RefFor(const std::string& stem) {
    vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("png/" + stem + ".ref.ppm"));
    return ref.ok() ? ref : vtest::ReadPnm(vtest::DataPath("png/" + stem + ".ref.pgm"));
}

class PngMatchesReference : public ::testing::TestWithParam<const char*> {};

TEST_P(PngMatchesReference, PixelsAndStoredHeader) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath(GetParam()).c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, RefFor(GetParam())), 0);
    const BITMAPINFOHEADER* header = dib.GetBitmapInfoHeader();
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biHeight, dib.GetHeight());
    EXPECT_EQ(header->biCompression, BI_RGB);
    EXPECT_EQ(header->biXPelsPerMeter, 11811);
    EXPECT_EQ(header->biClrUsed, 0u);
}

INSTANTIATE_TEST_SUITE_P(Indexed, PngMatchesReference,
                         ::testing::Values("basn3p02", "basn3p04", "basn3p08", "s33n3p04", "pnm_pal4_w37", "pnm_pal2bit",
                                           "tm3n3p02", "tbbn3p08"));
INSTANTIATE_TEST_SUITE_P(Interlaced, PngMatchesReference,
                         ::testing::Values("basi3p02", "basi3p04", "basi3p08", "s09i3p02", "s35i3p04"));
// 16-bit samples cut to 8; compared as colours, so blue, green, red in the DIB.
INSTANTIATE_TEST_SUITE_P(SixteenBitColourWithPalette, PngMatchesReference, ::testing::Values("pp0n2c16"));

TEST(PngRead, ColourFilesWithAPaletteAreTwentyFourBitBlueGreenRed) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath("pp0n2c16").c_str(), -1), 1);
    EXPECT_EQ(dib.GetBitCount(), 24);
    int r, g, b;
    RefFor("pp0n2c16").rgb(5, 7, &r, &g, &b);
    const BYTE* pixel = dib.GetDIBRow(dib.GetHeight() - 1 - 7) + 5 * 3;
    EXPECT_EQ((std::vector<int>{pixel[0], pixel[1], pixel[2]}), (std::vector<int>{b, g, r}));
}

TEST(PngRead, AlphaIsCompositedOverTheBackgroundColour) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath("pp0n6a08").c_str(), -1), 1);
    EXPECT_EQ(dib.GetBitCount(), 24);
    int r, g, b;
    vtest::PixelColor(dib, 0, 0, &r, &g, &b);  // fully transparent in the file
    EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{31, 127, 255}));
}

// One-bit files keep their indices under a black-and-white table, so the
// reference's two colours map one to one onto the two indices.
class PngOneBit : public ::testing::TestWithParam<const char*> {};

TEST_P(PngOneBit, ReadsWithABlackAndWhiteTable) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath(GetParam()).c_str(), -1), 1);
    ASSERT_EQ(dib.GetBitCount(), 1);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    ASSERT_EQ(entries, 2);
    EXPECT_EQ((std::vector<int>{table[0].rgbRed, table[0].rgbGreen, table[0].rgbBlue, table[1].rgbRed,
                                table[1].rgbGreen, table[1].rgbBlue}),
              (std::vector<int>{0, 0, 0, 255, 255, 255}));
    const vtest::RefImage ref = RefFor(GetParam());
    ASSERT_EQ(ref.width, dib.GetWidth());
    std::map<uint32_t, int> colourOfIndex;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            int r, g, b;
            ref.rgb(x, y, &r, &g, &b);
            const uint32_t index = vtest::PixelAt(dib.GetDIBRow(dib.GetHeight() - 1 - y), x, 1);
            const int colour = r << 16 | g << 8 | b;
            EXPECT_EQ(colourOfIndex.emplace(index, colour).first->second, colour) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(PaletteFiles, PngOneBit, ::testing::Values("basn3p01", "s01i3p01", "pnm_pal1bit_colour"));

TEST(PngRead, IndicesPastAShortPaletteAreBlack) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath("libpng_badpal_small-palette-4").c_str(), -1), 1);
    const vtest::RefImage ref = RefFor("libpng_badpal_small-palette-4");
    int entries = 0;
    const RGBQUAD& last = dib.GetRGBQuad(&entries)[15];  // the file's palette holds 15 colours
    EXPECT_EQ((std::vector<int>{last.rgbRed, last.rgbGreen, last.rgbBlue}), (std::vector<int>{0, 0, 0}));
    // The one pixel with index 15 is the only one that differs from the
    // reference, which takes a grey there.
    EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, ref), 1);
}

// Indexed files of every depth, interlaced or not, against the indices and
// palette they were written with.
struct Written {
    int bitDepth;
    bool interlaced;
};

class PngEveryDepth : public ::testing::TestWithParam<Written> {};

TEST_P(PngEveryDepth, IndicesAndColourTableAsWritten) {
    vtest::PngSpec spec;
    spec.width = 37, spec.height = 23, spec.bitDepth = GetParam().bitDepth, spec.interlaced = GetParam().interlaced;
    spec.palette = vtest::DistinctPalette(1 << spec.bitDepth);
    const int mask = (1 << spec.bitDepth) - 1;
    spec.index = [mask](int x, int y) { return (x * 3 + y * 5 + x * y) & mask; };
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("w.png"), spec));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("w.png").c_str(), -1), 1);
    ASSERT_EQ(dib.GetBitCount(), spec.bitDepth);
    int wrong = 0;
    for (int y = 0; y < spec.height; ++y)
        for (int x = 0; x < spec.width; ++x)
            wrong += static_cast<int>(vtest::PixelAt(dib.GetDIBRow(spec.height - 1 - y), x, spec.bitDepth)) !=
                     spec.index(x, y);
    EXPECT_EQ(wrong, 0);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    ASSERT_EQ(entries, 1 << spec.bitDepth);
    for (int i = 0; spec.bitDepth > 1 && i < entries; ++i)
        EXPECT_EQ((std::vector<int>{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, table[i].rgbReserved}),
                  (std::vector<int>{spec.palette[i].red, spec.palette[i].green, spec.palette[i].blue, 0}));
}

INSTANTIATE_TEST_SUITE_P(Depths, PngEveryDepth,
                         ::testing::Values(Written{1, false}, Written{2, false}, Written{4, false}, Written{8, false},
                                           Written{1, true}, Written{2, true}, Written{4, true}, Written{8, true}));

// Files without a palette are refused with a box; the image the reader had
// already made stays, with the file's size and bit count.
struct Refused {
    const char* stem;
    int bitCount;
};

class PngWithoutPalette : public ::testing::TestWithParam<Refused> {};

TEST_P(PngWithoutPalette, IsRefusedWithTheGreyscaleBox) {
    vtest::RecordingMessageBoxes boxes;
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(PngPath(GetParam().stem).c_str(), -1), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, text::kNoGrayPng);
    EXPECT_EQ(boxes.boxes[0].type, MB_OK);
    EXPECT_EQ(dib.GetLastErrorText(), text::kNoGrayPng);
    EXPECT_EQ(dib.GetWidth(), 32);
    EXPECT_EQ(dib.GetBitCount(), GetParam().bitCount);
}

INSTANTIATE_TEST_SUITE_P(GreyAndTruecolour, PngWithoutPalette,
                         ::testing::Values(Refused{"basn0g08", 8}, Refused{"basn2c08", 24}));

TEST(PngReadProgress, EveryPassClimbsToAHundred) {
    vtest::PngSpec spec;
    spec.width = 20, spec.height = 250, spec.interlaced = true, spec.palette = vtest::DistinctPalette(256);
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("i.png"), spec));
    vtest::RecordingWindow window;
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("i.png").c_str(), -1), 1);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front().caption, text::kReadingImage);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
    // Step 3: remaining rows 246, 243, ... 0 send 18 ... 100, in each of 7 passes.
    std::vector<WPARAM> pass;
    for (WPARAM v = 18; v <= 100; ++v) pass.push_back(v);
    std::vector<WPARAM> all;
    for (int i = 0; i < 7; ++i) all.insert(all.end(), pass.begin(), pass.end());
    EXPECT_EQ(window.Steps(), all);
}

TEST(PngReadProgress, ImagesUnderAHundredRowsEndAtHundredAndOne) {
    vtest::RecordingWindow window;
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(PngPath("basn3p08").c_str(), -1), 1);
    const std::vector<WPARAM> steps = window.Steps();
    ASSERT_EQ(steps.size(), 32u);  // remaining rows 30 ... -1
    EXPECT_EQ(steps.front(), 70u);
    EXPECT_EQ(steps.back(), 101u);
}

TEST(PngReadMemory, AnImageLargerThanTheAvailableMemoryIsRefusedWithTheWarning) {
    vtest::PngSpec spec;
    spec.width = 2000, spec.height = 1100, spec.palette = vtest::DistinctPalette(256);
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("big.png"), spec));
    vtest::ScopedMemoryFigures memory(64 * vtest::kMiB, vtest::kMiB + 5);
    vtest::RecordingMessageBoxes boxes;
    CNewDIB dib(3, 3, 8);
    EXPECT_EQ(dib.ReadFile(dir.file("big.png").c_str(), -1), 0);
    CString expected;
    expected.Format(text::kPngReadTooLarge, 1, 2);  // 1 MiB available; 2,201,064 bytes
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, expected.str());
    EXPECT_EQ(dib.GetWidth(), 3) << "nothing was read";
}

// Page-file images: rows reach the image window by window, and interlaced
// passes are merged into rows of every window.
class PngPageFile : public ::testing::TestWithParam<bool> {};

TEST_P(PngPageFile, ReadsAcrossWindows) {
    vtest::PageFileMode mode;
    vtest::PngSpec spec;
    spec.width = 1500, spec.height = 3000, spec.interlaced = GetParam(), spec.palette = vtest::DistinctPalette(256);
    spec.index = [](int x, int y) { return (x * 7 + y * 13 + x / 9) & 0xFF; };
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("p.png"), spec));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("p.png").c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_TRUE(dib.IsMapped());
    int wrongRows = 0;
    for (int y = 0; y < spec.height; ++y) {
        const BYTE* row = dib.GetDIBRow(spec.height - 1 - y);
        for (int x = 0; x < spec.width; ++x)
            if (row[x] != spec.index(x, y)) {
                ++wrongRows;
                break;
            }
    }
    EXPECT_EQ(wrongRows, 0);
}

INSTANTIATE_TEST_SUITE_P(InterlacedOrNot, PngPageFile, ::testing::Bool());

}  // namespace
