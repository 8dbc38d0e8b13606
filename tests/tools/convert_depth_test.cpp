// velmora convert saves any image in any format: depths the format cannot
// hold are widened, converted to 24 bits or reduced to 8, said on standard
// error unless -q; the options --colors, --no-dither and --level.
#include <tiffio.h>

#include <set>
#include <vector>

#include "support/peer_decode.h"
#include "tools/tool_fixture.h"

namespace {

using vtool::Has;
using vtool::Outcome;
using vtool::Quote;
using Tool = vtool::Tool;

// Pixels whose colour differs between two images of one size; -1 on other sizes.
int ColoursDiffering(CNewDIB& a, CNewDIB& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return -1;
    int differing = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) differing += a.GetPixelRGB(x, y) != b.GetPixelRGB(x, y);
    return differing;
}

struct Fit {
    const char* input;   // under tests/data
    const char* output;  // file name in the test's folder
    int bitCount;        // of the file written
    const char* said;    // on standard error; empty: nothing
    bool exact;          // the colours are kept
};

class ConvertFits : public Tool, public ::testing::WithParamInterface<Fit> {};

TEST_P(ConvertFits, TheImageToTheFormat) {
    const Fit fit = GetParam();
    const std::string input = vtest::DataPath(fit.input);
    const Outcome o = Run("convert " + Quote(input) + " " + Out(fit.output));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(std::string(fit.said).empty(), o.err.empty()) << o.err;
    EXPECT_TRUE(Has(o.err, fit.said)) << o.err;
    CNewDIB original, written;
    ASSERT_EQ(original.ReadFile(input.c_str(), -1), 1);
    ASSERT_EQ(written.ReadFile(dir.file(fit.output).c_str(), -1), 1);
    EXPECT_EQ(written.GetBitCount(), fit.bitCount);
    if (fit.exact) {
        EXPECT_EQ(ColoursDiffering(original, written), 0);
    }
    EXPECT_EQ(Run("-q convert " + Quote(input) + " " + Out(fit.output)).err, "") << "-q silences it";
}

INSTANTIATE_TEST_SUITE_P(
    Depths, ConvertFits,
    ::testing::Values(Fit{"bmp/rgb24.bmp", "r.gif", 8, "24-bit image reduced to 256 colours for GIF", false},
                      Fit{"png/basn6a08.png", "a.gif", 8, "32-bit image reduced to 256 colours for GIF", false},
                      Fit{"bmp/pal1.bmp", "p1.gif", 8, "1-bit image widened to 8 bits for GIF", true},
                      Fit{"bmp/pal4.bmp", "p4.gif", 8, "4-bit image widened to 8 bits for GIF", true},
                      Fit{"png/pnm_pal2bit.png", "p2.gif", 8, "2-bit image widened to 8 bits for GIF", true},
                      Fit{"png/pnm_pal2bit.png", "p2.pcx", 4, "2-bit image widened to 4 bits for PCX", true},
                      Fit{"png/basn4a08.png", "ga.jpg", 24, "32-bit image converted to 24 bits for JPG", false},
                      Fit{"bmp/rgb24.bmp", "r.png", 24, "", true}, Fit{"png/pnm_pal2bit.png", "p2.png", 2, "", true},
                      Fit{"png/basn6a08.png", "a.png", 32, "", true}));

// A reduced GIF opens elsewhere with the colours it was saved with.
TEST_F(Tool, AReducedGifOpensInPillowWithItsColours) {
    if (!vtest::PeerInstalled(vtest::Peer::kPillow)) GTEST_SKIP() << "no Pillow";
    ASSERT_EQ(Run("convert " + vtool::Sample("rgb24.bmp") + " " + Out("r.gif")).status, 0);
    CNewDIB written;
    ASSERT_EQ(written.ReadFile(dir.file("r.gif").c_str(), -1), 1);
    const vtest::RefImage ref = vtest::DecodeWithPeer(vtest::Peer::kPillow, dir.file("r.gif"), "gif", dir.file("r.ppm"));
    ASSERT_EQ(ref.width, written.GetWidth());
    ASSERT_EQ(ref.height, written.GetHeight());
    int differing = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            int r, g, b;
            ref.rgb(x, y, &r, &g, &b);
            differing += written.GetPixelRGB(x, ref.height - 1 - y) != RGB(r, g, b);
        }
    EXPECT_EQ(differing, 0);
}

TEST_F(Tool, ColoursAndDitherOptionsShapeTheReduction) {
    const Outcome o = Run("convert " + vtool::Sample("rgb24.bmp") + " " + Out("r.gif") + " --colors 16 --no-dither");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(Has(o.err, "reduced to 16 colours")) << o.err;
    CNewDIB written;
    ASSERT_EQ(written.ReadFile(dir.file("r.gif").c_str(), -1), 1);
    std::set<unsigned long> colours;
    for (int y = 0; y < written.GetHeight(); ++y)
        for (int x = 0; x < written.GetWidth(); ++x) colours.insert(written.GetPixelRGB(x, y));
    EXPECT_LE(colours.size(), 16u);
    for (const char* bad : {"--colors 1", "--colors 257", "--colors x", "--level 10", "--level", "--colors"})
        EXPECT_EQ(Run("convert " + vtool::Sample("rgb24.bmp") + " " + Out("b.gif") + " " + bad).status, 2) << bad;
}

TEST_F(Tool, LevelSetsThePngCompression) {
    ASSERT_EQ(Run("convert " + vtool::Sample("rgb24.bmp") + " " + Out("l0.png") + " --level 0").status, 0);
    ASSERT_EQ(Run("convert " + vtool::Sample("rgb24.bmp") + " " + Out("l9.png") + " --level 9").status, 0);
    EXPECT_GT(vtest::ReadAll(dir.file("l0.png")).size(), vtest::ReadAll(dir.file("l9.png")).size());
}

// A batch of photos to GIF and a contact sheet as GIF both reduce.
TEST_F(Tool, BatchesAndContactSheetsReduceToo) {
    const Outcome batch = Run("convert --to gif --out-dir " + Out("gifs") + " " + vtool::Sample("rgb24.bmp") + " " +
                              vtool::Sample("pal1.bmp"));
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_TRUE(vtest::FileExists(dir.file("gifs/rgb24.gif")));
    EXPECT_TRUE(vtest::FileExists(dir.file("gifs/pal1.gif")));
    const Outcome sheet = Run("contact-sheet " + Out("gifs") + " " + Out("sheet.gif"));
    ASSERT_EQ(sheet.status, 0) << sheet.err;
    EXPECT_TRUE(Has(sheet.err, "reduced to 256 colours for GIF")) << sheet.err;
}

// A palette TIFF of `bits` (3 to 7: pixels straddle bytes) whose pixel (x, y)
// is OddIndex(x, y) and whose entry i is OddColour(i).
int OddIndex(int x, int y, int bits) { return (x * 5 + y * 3) & ((1 << bits) - 1); }
unsigned long OddColour(int i) { return RGB(i * 2, 255 - i, i * 3 % 256); }

bool WriteOddPalette(const std::string& path, int bits, int width, int height) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    std::vector<uint16_t> map(3u << bits);  // values below 256 are taken as 8-bit
    for (int i = 0; i < 1 << bits; ++i)
        for (int c = 0; c < 3; ++c) map[static_cast<size_t>((c << bits) + i)] = static_cast<uint16_t>(OddColour(i) >> 8 * c & 0xFF);
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + (1 << bits), map.data() + (2 << bits));
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        std::vector<BYTE> row((static_cast<size_t>(width) * bits + 7) / 8, 0);
        for (int x = 0; x < width; ++x)
            for (int b = 0; b < bits; ++b)
                if (OddIndex(x, y, bits) >> (bits - 1 - b) & 1) row[(x * bits + b) / 8] |= static_cast<BYTE>(0x80 >> (x * bits + b) % 8);
        ok = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

// Palette images of 3, 5, 6 and 7 bits, which the TIFF reader makes, widen
// pixel for pixel, those that straddle a byte too.
TEST_F(Tool, OddPaletteDepthsWidenPixelForPixel) {
    const struct {
        int bits;
        const char* output;
        int written;
    } cases[] = {{3, "p3.pcx", 4}, {3, "p3.gif", 8}, {5, "p5.gif", 8}, {6, "p6.png", 8}, {7, "p7.bmp", 8}};
    const int width = 37, height = 5;
    for (const auto& c : cases) {
        const std::string input = dir.file("p" + std::to_string(c.bits) + ".tif");
        ASSERT_TRUE(WriteOddPalette(input, c.bits, width, height));
        const Outcome o = Run("-q convert " + Quote(input) + " " + Out(c.output));
        ASSERT_EQ(o.status, 0) << c.output << ": " << o.err;
        CNewDIB written;
        ASSERT_EQ(written.ReadFile(dir.file(c.output).c_str(), -1), 1) << c.output;
        EXPECT_EQ(written.GetBitCount(), c.written) << c.output;
        int differing = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                differing += written.GetPixelRGB(x, height - 1 - y) != OddColour(OddIndex(x, y, c.bits));
        EXPECT_EQ(differing, 0) << c.output;
    }
}

}  // namespace
