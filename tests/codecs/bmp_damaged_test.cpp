// Damaged and hostile BMP files: each fails with its text or reads within
// bounds; nothing is left behind.
#include <gtest/gtest.h>

#include "codecs/bmp_builder.h"
#include "codecs/image_fixture.h"
#include "environment/texts.h"

namespace {

namespace text = velmora::text;

struct Damaged {
    const char* name;
    const char* failure;  // null: the file reads
    bool refusedEarly;    // the document keeps its image
};

class DamagedBmp : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedBmp, FailsWithItsTextOrReadsWithinBoundsAndLeavesNoPageFile) {
    vtest::PageFileMode mode;
    vtest::RecordingMessageBoxes boxes;
    const Damaged& d = GetParam();
    {
        CNewDIB dib(3, 3, 24);
        const int ok = dib.ReadFile(vtest::DataPath(std::string("damaged/bmp/") + d.name).c_str(), 0);
        EXPECT_EQ(ok, d.failure ? 0 : 1) << dib.GetLastErrorText().c_str();
        EXPECT_EQ(dib.GetLastErrorText(), d.failure ? d.failure : "");
        EXPECT_TRUE(!d.refusedEarly || (dib.Ready() && dib.GetWidth() == 3)) << "the document keeps its image";
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

// Headers that cannot describe their file are refused before the document
// gives up its image; sizes the storage cannot hold fail as its refusal does.
const Damaged kHeaders[] = {
    {"im_pal8_w61__bad_magic.bmp", text::kNotBmp, true}, {"im_pal8_w61__trunc10.bmp", text::kReadDataFailed, true},
    {"im_pal8_w61__trunc_half.bmp", text::kReadDataFailed, true},
    {"im_pal8_w61__trunc_minus1.bmp", text::kReadDataFailed, true},
    {"im_pal8_w61__trunc_in_colour_table.bmp", text::kReadDataFailed, true},
    {"im_pal8_w61__huge_width.bmp", text::kCreateBufferFailed, true},
    {"im_pal8_w61__huge_height.bmp", text::kReadDataFailed, true},
    {"im_pal8_w61__negative_width.bmp", text::kCreateBufferFailed, true},
    {"im_pal8_w61__offbits_past_eof.bmp", text::kReadDataFailed, true},
    {"im_pal8_w61__bitcount7.bmp", text::kBadFileData, true}, {"badbitcount.bmp", text::kBadFileData, true},
    {"badwidth.bmp", text::kCreateBufferFailed, true}, {"reallybig.bmp", text::kReadDataFailed, true},
    {"shortfile.bmp", text::kReadDataFailed, true}};
const Damaged kData[] = {
    {"badrle.bmp", nullptr, false},  // deltas past the picture: what they skip is index 0
    {"imagers_lenient_rle_overflow.bmp", text::kReadDataFailed, false},  // short colour table
    {"hopper_rle8_row_overflow.bmp", nullptr, false},                    // runs clipped to their rows
    {"imagemagick_invalid_run_length_issue_2321.bmp", nullptr, false}, {"rletopdown.bmp", nullptr, false},
    {"pal8badindex.bmp", nullptr, false},
    // Fields the reader does not rely on.
    {"badbitssize.bmp", nullptr, false}, {"baddens1.bmp", nullptr, false}, {"baddens2.bmp", nullptr, false},
    {"badfilesize.bmp", nullptr, false}, {"badheadersize.bmp", nullptr, false},
    {"badpalettesize.bmp", nullptr, false}, {"badplanes.bmp", nullptr, false},
    {"imagers_lenient_V5_A8_R8_G8_B8_Rgb_BadMask.bmp", nullptr, false}};
INSTANTIATE_TEST_SUITE_P(Headers, DamagedBmp, ::testing::ValuesIn(kHeaders));
INSTANTIATE_TEST_SUITE_P(Data, DamagedBmp, ::testing::ValuesIn(kData));

TEST(DamagedBmpColourTable, AShortColourTableShowsTheWrongDataBox) {
    // An 8-bit 1 x 1 file whose pixel data starts where the colour table
    // should: the pixels fit, the 1024-byte table does not.
    vtest::BmpLayout layout;
    layout.width = 1, layout.height = 1, layout.colorEntries = 0, layout.data = {1, 2, 3, 4};
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("short.bmp"), vtest::BuildBmp(layout));
    vtest::RecordingMessageBoxes boxes;
    CNewDIB dib(1, 1, 8);
    dib.GetDIBRow(0)[0] = 0xAB;
    EXPECT_EQ(dib.ReadFile(dir.file("short.bmp").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
    // The image is left created, its pixels cleared: nothing of the image
    // before (or of what its fresh storage held) shows.
    ASSERT_TRUE(dib.Ready());
    EXPECT_EQ(dib.GetDIBRow(0)[0], 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "The Wrong Data");
    EXPECT_EQ(boxes.boxes[0].caption, "ok");
    EXPECT_EQ(boxes.boxes[0].type, MB_OKCANCEL);
}

TEST(DamagedBmpPageFile, AHugeFileOneByteShortIsRefusedBeforeAnyPageFile) {
    vtest::PageFileMode mode;
    vtest::BmpLayout layout;
    layout.width = 1200, layout.height = 1000, layout.bitCount = 24;  // 3.6 MB: a page file
    layout.data.resize(3600u * 1000 - 1);
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("cut.bmp"), vtest::BuildBmp(layout));
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(dir.file("cut.bmp").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
    EXPECT_EQ(mode.PageFiles(), 0u);
}

}  // namespace
