// Reading PCX files written by other software against their reference
// decodings, and the reader's colour tables, header fields and progress.
#include <gtest/gtest.h>

#include <memory>

#include "codecs/image_fixture.h"
#include "codecs/pcx_builder.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

std::string PcxPath(const std::string& stem) { return vtest::DataPath("pcx/" + stem + ".pcx"); }

vtest::RefImage RefFor(const std::string& stem) {
    vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("pcx/" + stem + ".ref.ppm"));
    return ref.ok() ? ref : vtest::ReadPnm(vtest::DataPath("pcx/" + stem + ".ref.pgm"));
}

struct Sample {
    const char* stem;
    int bitCount;
};

class PcxMatchesReference : public ::testing::TestWithParam<Sample> {};

TEST_P(PcxMatchesReference, InMemoryAndThroughSmallWindows) {
    const Sample& s = GetParam();
    for (bool pageFile : {false, true}) {
        // 2 KiB and larger go to page files with the smallest windows.
        std::unique_ptr<vtest::PageFileMode> mode(pageFile ? new vtest::PageFileMode(64 * 1024) : nullptr);
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(PcxPath(s.stem).c_str(), -1), 1) << dib.GetLastErrorText().c_str();
        EXPECT_EQ(dib.GetBitCount(), s.bitCount);
        EXPECT_EQ(dib.IsMapped() != 0, pageFile && dib.GetDIBSize() >= 2048);
        EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, RefFor(s.stem)), 0) << (pageFile ? "page file" : "memory");
        EXPECT_EQ(dib.GetLastErrorText(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(OnePlane, PcxMatchesReference,
                         ::testing::Values(Sample{"ppm_1bit_w13", 1}, Sample{"pil184", 1}, Sample{"ppm_packed2", 2},
                                           Sample{"ppm_packed4", 4}, Sample{"ppm_8bit_w61", 8}, Sample{"gmarbles", 8}),
                         [](const auto& info) { return std::string(info.param.stem); });
INSTANTIATE_TEST_SUITE_P(Planes, PcxMatchesReference,
                         ::testing::Values(Sample{"ppm_2planes", 4}, Sample{"ppm_3planes", 4},
                                           Sample{"ppm_4planes_w37", 4}, Sample{"p_4_planes", 4},
                                           Sample{"ppm_24bit_w71", 24}, Sample{"marbles", 24}),
                         [](const auto& info) { return std::string(info.param.stem); });

// A 2 x 1 file with the given header triplets 0 and 1.
CNewDIB* ReadMonochrome(vtest::TempDir& dir, std::vector<uint8_t> palette, CNewDIB* dib) {
    vtest::PcxLayout l;
    l.bitsPerPixel = 1, l.xMax = 1, l.yMax = 0, l.planeBytes = 2, l.palette = palette, l.data = {0x40, 0x00};
    vtest::WriteAll(dir.file("mono.pcx"), vtest::BuildPcx(l));
    return dib->ReadFile(dir.file("mono.pcx").c_str(), -1) ? dib : nullptr;
}

TEST(PcxReadColourTable, AnEmptyMonochromeTableReadsBlackAndWhite) {
    vtest::TempDir dir;
    CNewDIB dib;
    ASSERT_TRUE(ReadMonochrome(dir, {}, &dib));
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    ASSERT_EQ(entries, 2);
    EXPECT_EQ((std::vector<int>{table[0].rgbBlue, table[0].rgbGreen, table[0].rgbRed}), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ((std::vector<int>{table[1].rgbBlue, table[1].rgbGreen, table[1].rgbRed}),
              (std::vector<int>{255, 255, 255}));
}

TEST(PcxReadColourTable, DistinctMonochromeTripletsAreKeptBlueFirst) {
    vtest::TempDir dir;
    CNewDIB dib;
    ASSERT_TRUE(ReadMonochrome(dir, {0, 0, 0, 0, 0, 255}, &dib));
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    EXPECT_EQ(table[1].rgbBlue, 255);
    EXPECT_EQ(table[1].rgbRed, 0);
    EXPECT_EQ(table[0].rgbBlue + table[0].rgbGreen + table[0].rgbRed, 0);
}

TEST(PcxReadColourTable, EightBitTableComesFromTheTrailer) {
    vtest::TempDir dir;
    vtest::PcxLayout l;
    l.xMax = 3, l.yMax = 0, l.data = {1, 2, 0xC1, 200, 4}, l.trailer = true;
    vtest::WriteAll(dir.file("t.pcx"), vtest::BuildPcx(l));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("t.pcx").c_str(), -1), 1);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    ASSERT_EQ(entries, 256);
    EXPECT_EQ(table[200].rgbRed, 200);
    EXPECT_EQ(table[200].rgbGreen, 55);
    EXPECT_EQ(table[200].rgbBlue, 100);
    EXPECT_EQ(dib.GetPixelIndex(2, 0), 200);
}

TEST(PcxReadHeader, WindowOriginResolutionAndImageSize) {
    vtest::TempDir dir;
    vtest::PcxLayout l;
    l.xMin = 10, l.xMax = 12, l.yMin = 5, l.yMax = 6, l.dpiX = 300, l.dpiY = 72;
    l.data = {0xC8, 9}, l.trailer = true;  // 8 bytes of 9 for two lines of 4
    vtest::WriteAll(dir.file("h.pcx"), vtest::BuildPcx(l));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("h.pcx").c_str(), -1), 1);
    const BITMAPINFOHEADER* h = dib.GetBitmapInfoHeader();
    EXPECT_EQ(h->biWidth, 3);
    EXPECT_EQ(h->biHeight, 2);
    EXPECT_EQ(h->biXPelsPerMeter, 11811);  // 300 * 1000 / 25.4 + 0.5
    EXPECT_EQ(h->biYPelsPerMeter, 2835);
    EXPECT_EQ(h->biSizeImage, 8u);
    EXPECT_EQ(h->biClrUsed, 0u);
    EXPECT_EQ(dib.GetPixelIndex(2, 1), 9);
}

TEST(PcxReadHeader, TwentyFourBitOddWidthTakesEachPlaneAtItsBpl) {
    vtest::TempDir dir;
    vtest::PcxLayout l;
    l.bitsPerPixel = 8, l.planes = 3, l.xMax = 2, l.yMax = 0, l.planeBytes = 4;
    l.data = {10, 11, 12, 0, 20, 21, 22, 0, 30, 31, 32, 0};
    vtest::WriteAll(dir.file("rgb.pcx"), vtest::BuildPcx(l));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("rgb.pcx").c_str(), -1), 1);
        const BYTE* row = dib.GetDIBRow(0);
    EXPECT_EQ((std::vector<int>(row, row + 12)), (std::vector<int>{30, 20, 10, 31, 21, 11, 32, 22, 12, 0, 0, 0}));
}

// Twenty rows, a step after rows 0, 3, ... 18. One plane: the second half of
// the bar; planes merged: the whole bar.
TEST(PcxReadProgress, OnePlaneAndMergedPlanesSendTheirFigures) {
    vtest::TempDir dir;
    vtest::PcxLayout l;
    l.xMax = 3, l.yMax = 19, l.trailer = true;
    for (int i = 0; i < 20; ++i) l.data.insert(l.data.end(), {0xC4, static_cast<uint8_t>(i)});
    vtest::WriteAll(dir.file("p8.pcx"), vtest::BuildPcx(l));
    l.bitsPerPixel = 1, l.planes = 4, l.planeBytes = 1, l.trailer = false;  // 4 bytes per line again
    vtest::WriteAll(dir.file("p4.pcx"), vtest::BuildPcx(l));
    for (auto [name, steps] : {std::pair<const char*, std::vector<WPARAM>>{"p8.pcx", {50, 57, 65, 72, 80, 87, 95}},
                               {"p4.pcx", {0, 15, 30, 45, 60, 75, 90}}}) {
        vtest::RecordingWindow window;
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(dir.file(name).c_str(), -1), 1);
        ASSERT_FALSE(window.messages.empty());
        EXPECT_EQ(window.messages.front().caption, text::kReadingImage);
        EXPECT_EQ(window.Steps(), steps) << name;
        EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
        EXPECT_EQ(window.messages.back().msg, static_cast<UINT>(DIBM_ENDPROGRESS));
    }
}

}  // namespace
