// Damaged and hostile PNG files: each fails cleanly, nothing is left behind,
// and claims the file cannot hold reserve no storage.
#include <gtest/gtest.h>

#include "codecs/image_fixture.h"
#include "codecs/png_builder.h"
#include "environment/texts.h"

namespace {

namespace text = velmora::text;

struct Damaged {
    const char* name;
    const char* failure;  // the document's text afterwards
    bool refusedEarly;    // before storage: the document keeps its image
};

void PrintTo(const Damaged& d, std::ostream* os) { *os << d.name; }

class DamagedPng : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedPng, FailsCleanlyAndLeavesNoPageFile) {
    vtest::PageFileMode mode;
    vtest::RecordingMessageBoxes boxes;
    const Damaged& d = GetParam();
    {
        CNewDIB dib(3, 3, 24);
        EXPECT_EQ(dib.ReadFile(vtest::DataPath(std::string("damaged/png/") + d.name).c_str(), 5), 0);
        EXPECT_EQ(dib.GetLastErrorText(), d.failure);
        EXPECT_TRUE(!d.refusedEarly || dib.GetWidth() == 3) << "the document keeps its image";
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

// libpng's own errors leave the document's generic text.
const Damaged kStreams[] = {
    {"basn3p08__bad_signature.png", text::kReadDataFailed, true},
    {"basn3p08__trunc10.png", text::kReadDataFailed, true},
    {"basn3p08__trunc_half.png", text::kReadDataFailed, true},
    {"basn3p08__ihdr_bad_crc.png", text::kReadDataFailed, true},
    {"basn3p08__bitdepth3_crc_ok.png", text::kReadDataFailed, true},
    {"xs1n0g01.png", text::kReadDataFailed, true}, {"xs2n0g01.png", text::kReadDataFailed, true},
    {"xs4n0g01.png", text::kReadDataFailed, true}, {"xs7n0g01.png", text::kReadDataFailed, true},
    {"xcrn0g04.png", text::kReadDataFailed, true}, {"xlfn0g04.png", text::kReadDataFailed, true},
    {"xc1n0g08.png", text::kReadDataFailed, true}, {"xc9n2c08.png", text::kReadDataFailed, true},
    {"xd0n2c08.png", text::kReadDataFailed, true}, {"xd3n2c08.png", text::kReadDataFailed, true},
    {"xd9n2c08.png", text::kReadDataFailed, true}, {"xhdn0g08.png", text::kReadDataFailed, true},
    {"xdtn0g01.png", text::kReadDataFailed, true}, {"libpng_crashers_bad_iCCP.png", text::kReadDataFailed, true},
    // Chunk lengths of a gigabyte in a file of 57 bytes: no such allocation.
    {"libpng_crashers_huge_iCCP_chunk.png", text::kReadDataFailed, true},
    {"libpng_crashers_huge_sPLT_chunk.png", text::kReadDataFailed, true},
    // Sizes the file cannot hold, refused before storage is made.
    {"basn3p08__huge_width_crc_ok.png", text::kReadDataFailed, true},
    {"basn3p08__huge_both_crc_ok.png", text::kReadDataFailed, true}};
// Damage found while the rows are read: the new image is released.
const Damaged kRows[] = {
    {"basn3p08__no_idat.png", text::kReadDataFailed, false},
    {"basn3p08__trunc_minus1.png", text::kReadDataFailed, false}};
// Damaged files without a palette are refused as such first.
const Damaged kWithoutPalette[] = {
    {"xcsn0g01.png", text::kNoGrayPng, false},
    {"libpng_crashers_badadler.png", text::kNoGrayPng, false},
    {"libpng_crashers_badcrc.png", text::kNoGrayPng, false},
    {"libpng_crashers_huge_IDAT.png", text::kNoGrayPng, false}};
INSTANTIATE_TEST_SUITE_P(Streams, DamagedPng, ::testing::ValuesIn(kStreams));
INSTANTIATE_TEST_SUITE_P(Rows, DamagedPng, ::testing::ValuesIn(kRows));
INSTANTIATE_TEST_SUITE_P(WithoutPalette, DamagedPng, ::testing::ValuesIn(kWithoutPalette));

TEST(DamagedPngPageFile, ATruncatedPageFileImageIsReleasedWithItsPageFile) {
    vtest::PageFileMode mode;
    vtest::PngSpec spec;
    spec.width = 1500, spec.height = 3000, spec.palette = vtest::DistinctPalette(256);
    spec.index = [](int x, int y) { return (x ^ y) & 0xFF; };
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("cut.png"), spec));
    std::vector<unsigned char> bytes = vtest::ReadAll(dir.file("cut.png"));
    bytes.resize(bytes.size() / 2);
    vtest::WriteAll(dir.file("cut.png"), bytes);
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(dir.file("cut.png").c_str(), -1), 0);
    EXPECT_FALSE(dib.Ready());
    EXPECT_EQ(mode.PageFiles(), 0u);
}

}  // namespace
