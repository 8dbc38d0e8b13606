// PNG files of every colour type and depth: what each reads as (in memory and
// in page files across windows), what each bit count saves as, and whether
// Pillow and netpbm decode the saved files to the same colours.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "codecs/image_fixture.h"
#include "codecs/png_builder.h"
#include "environment/texts.h"
#include "support/peer_decode.h"

namespace {

struct Kind {
    int colorType;
    int bitDepth;
    int bitCount;  // of the image read
};

std::string Describe(const ::testing::TestParamInfo<std::tuple<Kind, bool, bool>>& info) {
    const Kind& k = std::get<0>(info.param);
    return "type" + std::to_string(k.colorType) + "_" + std::to_string(k.bitDepth) + "bit" +
           (std::get<1>(info.param) ? "_interlaced" : "") + (std::get<2>(info.param) ? "_pages" : "");
}

int Sample(int x, int y, int c, int bitDepth) {
    return (x * 4099 + y * 771 + c * 12345 + x * y * 31) & ((1 << bitDepth) - 1);
}

// The DIB pixel a file pixel becomes: its index, or blue, green, red, alpha
// from each sample's high byte (grey spread over the three colours).
uint32_t ExpectedPixel(const vtest::PngPicture& p, int x, int y) {
    auto byteOf = [&](int c) { return static_cast<uint32_t>(p.sample(x, y, c) >> (p.bitDepth == 16 ? 8 : 0)); };
    switch (p.colorType) {
    case PNG_COLOR_TYPE_GRAY: return byteOf(0);
    case PNG_COLOR_TYPE_GRAY_ALPHA: return byteOf(1) << 24 | byteOf(0) << 16 | byteOf(0) << 8 | byteOf(0);
    case PNG_COLOR_TYPE_RGB: return byteOf(0) << 16 | byteOf(1) << 8 | byteOf(2);
    default: return byteOf(3) << 24 | byteOf(0) << 16 | byteOf(1) << 8 | byteOf(2);
    }
}

int PixelsDiffering(CNewDIB& dib, const vtest::PngPicture& p) {
    int differing = 0;
    for (int y = 0; y < p.height; ++y) {
        const BYTE* row = dib.GetDIBRow(p.height - 1 - y);
        for (int x = 0; x < p.width; ++x) differing += vtest::PixelAt(row, x, dib.GetBitCount()) != ExpectedPixel(p, x, y);
    }
    return differing;
}

class PngColourType : public ::testing::TestWithParam<std::tuple<Kind, bool, bool>> {};

TEST_P(PngColourType, ReadsToItsLayout) {
    const Kind kind = std::get<0>(GetParam());
    std::unique_ptr<vtest::PageFileMode> pages;
    // A small memory figure makes windows of a few rows, so the image spans several.
    if (std::get<2>(GetParam())) pages = std::make_unique<vtest::PageFileMode>(256 * 1024);
    vtest::PngPicture picture;
    // As many bytes a row whatever the depth, so that every depth spans windows.
    picture.width = 301, picture.height = 203 * 32 / kind.bitCount, picture.colorType = kind.colorType, picture.bitDepth = kind.bitDepth;
    picture.interlaced = std::get<1>(GetParam());
    picture.sample = [depth = kind.bitDepth](int x, int y, int c) { return Sample(x, y, c, depth); };
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("c.png"), picture));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("c.png").c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    if (pages) {
        int rows = 0;
        ASSERT_TRUE(dib.GetDIBBuffer(0, &rows, 1));
        EXPECT_LT(rows, dib.GetHeight()) << "one window holds the image";
    }
    ASSERT_EQ(dib.GetBitCount(), kind.bitCount);
    EXPECT_EQ(PixelsDiffering(dib, picture), 0);
    EXPECT_EQ(dib.GetGrayProp(), kind.colorType == PNG_COLOR_TYPE_GRAY ? 1 : 0);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    for (int i = 0; kind.colorType == PNG_COLOR_TYPE_GRAY && i < entries; ++i)
        EXPECT_EQ(table[i].rgbRed, i * 255 / (entries - 1)) << "grey ramp entry " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Every, PngColourType,
    ::testing::Combine(::testing::Values(Kind{0, 1, 1}, Kind{0, 2, 2}, Kind{0, 4, 4}, Kind{0, 8, 8}, Kind{0, 16, 8},
                                         Kind{2, 8, 24}, Kind{2, 16, 24}, Kind{4, 8, 32}, Kind{4, 16, 32},
                                         Kind{6, 8, 32}, Kind{6, 16, 32}),
                       ::testing::Bool(), ::testing::Bool()),
    Describe);

// tRNS: palette files keep their palette (alpha unused), grey files their
// grey, and a truecolour file's transparent colour becomes the background
// colour, as with a truecolour file that has a palette chunk.
TEST(PngTransparency, AsEachLayoutTreatsIt) {
    vtest::TempDir dir;
    vtest::PngPicture indexed;
    indexed.width = 4, indexed.palette = vtest::DistinctPalette(4), indexed.transparency = {0, 128};
    indexed.index = [](int x, int) { return x; };
    vtest::PngPicture grey;
    grey.width = 4, grey.colorType = PNG_COLOR_TYPE_GRAY, grey.hasTransparentColour = true;
    grey.transparentColour.gray = 7;
    grey.sample = [](int x, int, int) { return x + 6; };
    vtest::PngPicture colour;
    colour.width = 4, colour.colorType = PNG_COLOR_TYPE_RGB, colour.hasTransparentColour = true;
    colour.transparentColour = png_color_16{0, 10, 20, 30, 0};
    colour.sample = [](int x, int, int c) { return x == 1 ? (c + 1) * 10 : 200; };
    struct Case {
        vtest::PngPicture* picture;
        int x;
        std::vector<int> rgb;
    } cases[] = {{&indexed, 0, {3, 255, 0}}, {&grey, 1, {7, 7, 7}}, {&colour, 1, {31, 127, 255}}, {&colour, 2, {200, 200, 200}}};
    for (const Case& c : cases) {
        ASSERT_TRUE(vtest::WritePng(dir.file("t.png"), *c.picture));
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(dir.file("t.png").c_str(), -1), 1);
        std::vector<int> rgb(3);
        vtest::PixelColor(dib, c.x, 0, &rgb[0], &rgb[1], &rgb[2]);
        EXPECT_EQ(rgb, c.rgb) << "colour type " << c.picture->colorType << ", x " << c.x;
    }
}

// Every bit count the writer takes saves, reads back to the same pixels
// and table, and decodes elsewhere to the same colours (and alpha).
class PngSaveDepth : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(PngSaveDepth, RoundTripsAndOpensElsewhere) {
    const int bitCount = std::get<0>(GetParam());
    std::unique_ptr<vtest::PageFileMode> pages;
    if (std::get<1>(GetParam())) pages = std::make_unique<vtest::PageFileMode>(256 * 1024);
    vtest::TempDir dir;
    CNewDIB image(263, 190, bitCount);
    ASSERT_TRUE(vtest::FillPattern(image, 5));
    ASSERT_EQ(image.SaveFile(dir.file("s.png").c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("s.png").c_str(), -1), 1);
    ASSERT_EQ(back.GetBitCount(), bitCount);
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            ASSERT_EQ(vtest::PixelAt(back.GetDIBRow(y), x, bitCount), vtest::PixelAt(image.GetDIBRow(y), x, bitCount))
                << x << "," << y;
    int entries = 0, backEntries = 0;
    const RGBQUAD* table = image.GetRGBQuad(&entries);
    const RGBQUAD* backTable = back.GetRGBQuad(&backEntries);
    ASSERT_EQ(entries, backEntries);
    for (int i = 0; i < entries; ++i)
        EXPECT_EQ(std::memcmp(&table[i], &backTable[i], 3), 0) << "entry " << i;

    for (vtest::Peer peer : {vtest::Peer::kPillow, vtest::Peer::kNetpbm}) {
        if (!vtest::PeerInstalled(peer)) continue;
        const vtest::RefImage ref = vtest::DecodeWithPeer(peer, dir.file("s.png"), "png", dir.file("peer.ppm"));
        ASSERT_TRUE(ref.ok()) << vtest::PeerName(peer) << " cannot decode the file";
        EXPECT_EQ(vtest::PixelsDifferingFromRef(image, ref), 0) << vtest::PeerName(peer);
    }
    if (bitCount == 32 && vtest::PeerInstalled(vtest::Peer::kPillow)) {
        const vtest::RefImage alpha = vtest::AlphaWithPillow(dir.file("s.png"), dir.file("alpha.pgm"));
        ASSERT_TRUE(alpha.ok());
        int differing = 0;
        for (int y = 0; y < alpha.height; ++y)
            for (int x = 0; x < alpha.width; ++x)
                differing += alpha.pixels[static_cast<size_t>(y) * alpha.width + x] !=
                             vtest::PixelAt(image.GetDIBRow(image.GetHeight() - 1 - y), x, 32) >> 24;
        EXPECT_EQ(differing, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(BitCounts, PngSaveDepth, ::testing::Combine(::testing::Values(1, 2, 4, 8, 24, 32), ::testing::Bool()));

TEST(PngSave, TheLevelSettingChangesTheFileAndMinusOneIsTheDefault) {
    vtest::TempDir dir;
    CNewDIB image(200, 150, 24);
    ASSERT_TRUE(vtest::FillPattern(image, 2));
    std::vector<size_t> sizes;
    for (int level : {-1, 3, 0, 9}) {
        SetPngCompressionLevel(level);
        ASSERT_EQ(image.SaveFile(dir.file("l.png").c_str(), -1, 0), 1);
        sizes.push_back(vtest::ReadAll(dir.file("l.png")).size());
    }
    EXPECT_EQ(sizes[0], sizes[1]);
    EXPECT_GT(sizes[2], sizes[1]);  // level 0 stores
    SetPngCompressionLevel(12);
    EXPECT_EQ(GetPngCompressionLevel(), -1);
    SetPngCompressionLevel(-1);
}

}  // namespace
