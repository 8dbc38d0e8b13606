// Damaged and hostile PCX files: each fails with its text, or reads within
// bounds; headers that cannot be read are refused before any storage is made;
// nothing is left behind.
#include <gtest/gtest.h>

#include "codecs/image_fixture.h"
#include "codecs/pcx_builder.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

struct Damaged {
    const char* name;     // under tests/data
    const char* failure;  // null: the file reads
    bool refusedEarly;    // before any storage: the document keeps its image
};

class DamagedPcx : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedPcx, FailsWithItsTextOrReadsAndLeavesNoPageFile) {
    vtest::PageFileMode mode(64 * 1024);
    const Damaged& d = GetParam();
    {
        CNewDIB dib(3, 3, 24);
        const int ok = dib.ReadFile(vtest::DataPath(d.name).c_str(), DIBTYPE_PCX);
        EXPECT_EQ(ok, d.failure ? 0 : 1) << dib.GetLastErrorText().c_str();
        EXPECT_EQ(dib.GetLastErrorText(), d.failure ? d.failure : "");
        EXPECT_TRUE(!d.refusedEarly || (dib.Ready() && dib.GetWidth() == 3)) << "the document keeps its image";
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

const Damaged kFiles[] = {
    {"damaged/pcx/ppm_8bit_w61__bad_manufacturer.pcx", text::kNotValidPcx, true},
    {"damaged/pcx/ppm_8bit_w61__encoding2.pcx", text::kNotValidPcx, true},
    {"damaged/pcx/ossfuzz-4836216264589312.pcx", text::kNotValidPcx, true},
    {"damaged/pcx/ppm_8bit_w61__trunc10.pcx", text::kReadDataFailed, true},
    {"damaged/pcx/ppm_8bit_w61__trunc_header.pcx", text::kReadDataFailed, true},
    {"damaged/pcx/ppm_8bit_w61__xmax_below_xmin.pcx", text::kNotValidPcx, true},
    {"damaged/pcx/ppm_8bit_w61__huge_xmax_ymax.pcx", text::kNotValidPcx, true},  // BPL 61 for 65536 pixels
    {"damaged/pcx/ppm_8bit_w61__bpl_zero.pcx", text::kNotValidPcx, true},
    {"damaged/pcx/ppm_8bit_w61__planes_7.pcx", text::kNotValidPcx, true},
    {"pcx/01r_00.pcx", text::kNotValidPcx, true},  // BPL 12 for 88 pixels
    {"damaged/pcx/ppm_8bit_w61__bad_trailer_marker.pcx", text::kReadPaletteFailed, true},
    {"damaged/pcx/ppm_8bit_w61__no_trailer.pcx", text::kReadPaletteFailed, true},
    {"damaged/pcx/ppm_8bit_w61__trunc_half.pcx", text::kReadPaletteFailed, true},
    {"damaged/pcx/ppm_8bit_w61__trunc_minus1.pcx", text::kReadPaletteFailed, true},
    {"damaged/pcx/ppm_8bit_w61__long_runs.pcx", nullptr, false},
};
INSTANTIATE_TEST_SUITE_P(Files, DamagedPcx, ::testing::ValuesIn(kFiles));

// Hand-made headers: each is refused before any storage, with its text.
struct Header {
    const char* what;
    vtest::PcxLayout layout;
    const char* failure;
};

vtest::PcxLayout With(int bitsPerPixel, int planes, int planeBytes, int xMax, int yMax, std::vector<uint8_t> data) {
    vtest::PcxLayout l;
    l.bitsPerPixel = bitsPerPixel, l.planes = planes, l.planeBytes = planeBytes, l.xMax = xMax, l.yMax = yMax;
    l.data = std::move(data);
    return l;
}

TEST(DamagedPcxHeader, LayoutsAndSizesTheImageCannotHoldAreRefusedFirst) {
    const std::vector<uint8_t> line(64, 1);
    vtest::PcxLayout yBelow = With(1, 4, 1, 7, 0, line);
    yBelow.yMin = 3;
    const Header kHeaders[] = {
        {"two 4-bit planes", With(4, 2, 4, 7, 0, line), text::kNotValidPcx},
        {"two 2-bit planes", With(2, 2, 2, 7, 0, line), text::kNotValidPcx},
        {"one 4-bit plane, BPL one short", With(4, 1, 4, 9, 0, line), text::kNotValidPcx},
        {"three 1-bit planes, BPL one short", With(1, 3, 1, 8, 0, line), text::kNotValidPcx},
        {"four 8-bit planes", With(8, 4, 8, 7, 0, line), text::kNotValidPcx},
        {"24-bit BPL one short", With(8, 3, 7, 7, 0, line), text::kNotValidPcx},
        {"4-bit BPL one short", With(1, 4, 1, 8, 0, line), text::kNotValidPcx},
        {"Ymax below Ymin", yBelow, text::kNotValidPcx},
        // 65536 x 65536 x 24 bits cannot come from 64 coded bytes.
        {"huge image, little data", With(8, 3, 65535, 65534, 65535, line), text::kReadDataFailed},
    };
    vtest::PageFileMode mode(64 * 1024);
    vtest::TempDir dir;
    for (const Header& h : kHeaders) {
        vtest::WriteAll(dir.file("h.pcx"), vtest::BuildPcx(h.layout));
        vtest::RecordingWindow window;
        CNewDIB dib(3, 3, 8);
        EXPECT_EQ(dib.ReadFile(dir.file("h.pcx").c_str(), -1), 0) << h.what;
        EXPECT_EQ(dib.GetLastErrorText(), h.failure) << h.what;
        EXPECT_EQ(dib.GetWidth(), 3) << h.what;
        EXPECT_TRUE(window.messages.empty()) << h.what;
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

// Data that ends before the last line: the image made for it is released.
TEST(DamagedPcxData, DataEndingEarlyFailsAndReleasesTheImage) {
    vtest::PageFileMode mode;  // 2 MiB windows
    vtest::TempDir dir;
    // 2000 x 1500 24-bit (9 MB, a page file): every line but the last.
    vtest::PcxLayout l = With(8, 3, 2000, 1999, 1499, {});
    for (int y = 0; y < 1499; ++y)
        for (int run = 0; run < 6000 / 60; ++run) l.data.insert(l.data.end(), {0xFC, static_cast<uint8_t>(y)});
    vtest::WriteAll(dir.file("cut.pcx"), vtest::BuildPcx(l));
    vtest::RecordingWindow window;
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(dir.file("cut.pcx").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
    EXPECT_FALSE(dib.Ready());
    EXPECT_EQ(mode.PageFiles(), 0u);
    EXPECT_EQ(window.Count(DIBM_BEGINPROGRESS), 1);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(DamagedPcxData, ATrailerMissingItsMarkerSendsBeginAndEnd) {
    vtest::TempDir dir;
    vtest::PcxLayout l = With(8, 1, 4, 3, 0, {1, 2, 3, 4});
    l.trailer = true;
    std::vector<uint8_t> bytes = vtest::BuildPcx(l);
    bytes[bytes.size() - 769] = 0x0D;
    vtest::WriteAll(dir.file("t.pcx"), bytes);
    vtest::RecordingWindow window;
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(dir.file("t.pcx").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadPaletteFailed);
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[0].msg, static_cast<UINT>(DIBM_BEGINPROGRESS));
    EXPECT_EQ(window.messages[1].msg, static_cast<UINT>(DIBM_ENDPROGRESS));
}

}  // namespace
