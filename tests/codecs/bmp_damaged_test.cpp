// Damaged and hostile BMP files: each fails with its text or reads within
// bounds; nothing is left behind.
#include <gtest/gtest.h>

#include "codecs/bmp_builder.h"
#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/newdib.h"

namespace {

namespace text = velmora::text;

struct Damaged {
    const char* name;
    const char* failure;  // null: the file reads
};

class DamagedBmp : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedBmp, FailsWithItsTextOrReadsWithinBounds) {
    vtest::PageFileMode mode;
    vtest::RecordingMessageBoxes boxes;
    const Damaged& d = GetParam();
    {
        CNewDIB dib(3, 3, 24);
        int ok = dib.ReadFile(vtest::DataPath(std::string("damaged/bmp/") + d.name).c_str(), 0);
        if (d.failure) {
            EXPECT_EQ(ok, 0);
            EXPECT_EQ(dib.GetLastErrorText(), d.failure);
        } else {
            EXPECT_EQ(ok, 1) << dib.GetLastErrorText().c_str();
        }
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

// Files whose headers cannot describe them are refused before the document
// gives up its image.
class RefusedBeforeStorage : public ::testing::TestWithParam<Damaged> {};

TEST_P(RefusedBeforeStorage, TheDocumentKeepsItsImage) {
    const Damaged& d = GetParam();
    CNewDIB dib(3, 3, 24);
    EXPECT_EQ(dib.ReadFile(vtest::DataPath(std::string("damaged/bmp/") + d.name).c_str(), 0), 0);
    EXPECT_EQ(dib.GetLastErrorText(), d.failure);
    EXPECT_TRUE(dib.Ready());
    EXPECT_EQ(dib.GetWidth(), 3);
}

const Damaged kRefused[] = {
    {"im_pal8_w61__bad_magic.bmp", text::kNotBmp},
    {"im_pal8_w61__trunc10.bmp", text::kReadDataFailed},
    {"im_pal8_w61__trunc_half.bmp", text::kReadDataFailed},
    {"im_pal8_w61__trunc_minus1.bmp", text::kReadDataFailed},
    {"im_pal8_w61__trunc_in_colour_table.bmp", text::kReadDataFailed},
    {"im_pal8_w61__huge_width.bmp", text::kReadDataFailed},
    {"im_pal8_w61__huge_height.bmp", text::kReadDataFailed},
    {"im_pal8_w61__negative_width.bmp", text::kReadDataFailed},
    {"im_pal8_w61__offbits_past_eof.bmp", text::kReadDataFailed},
    {"im_pal8_w61__bitcount7.bmp", text::kBadFileData},
    {"badbitcount.bmp", text::kBadFileData},
    {"badwidth.bmp", text::kReadDataFailed},
    {"reallybig.bmp", text::kReadDataFailed},
    {"shortfile.bmp", text::kReadDataFailed},
};

INSTANTIATE_TEST_SUITE_P(Headers, RefusedBeforeStorage, ::testing::ValuesIn(kRefused));
INSTANTIATE_TEST_SUITE_P(Headers, DamagedBmp, ::testing::ValuesIn(kRefused));
INSTANTIATE_TEST_SUITE_P(
    Data, DamagedBmp,
    ::testing::Values(Damaged{"badrle.bmp", text::kBadFileData},
                      Damaged{"imagers_lenient_rle_overflow.bmp", text::kReadDataFailed},  // short colour table
                      Damaged{"hopper_rle8_row_overflow.bmp", nullptr},  // runs clipped to their rows
                      Damaged{"imagemagick_invalid_run_length_issue_2321.bmp", nullptr},
                      Damaged{"rletopdown.bmp", nullptr}, Damaged{"pal8badindex.bmp", nullptr},
                      // Fields the reader does not rely on.
                      Damaged{"badbitssize.bmp", nullptr}, Damaged{"baddens1.bmp", nullptr},
                      Damaged{"baddens2.bmp", nullptr}, Damaged{"badfilesize.bmp", nullptr},
                      Damaged{"badheadersize.bmp", nullptr}, Damaged{"badpalettesize.bmp", nullptr},
                      Damaged{"badplanes.bmp", nullptr},
                      Damaged{"imagers_lenient_V5_A8_R8_G8_B8_Rgb_BadMask.bmp", nullptr}));

TEST(DamagedBmpColourTable, AShortColourTableShowsTheWrongDataBox) {
    // An 8-bit 1 x 1 file whose pixel data starts where the colour table
    // should: the pixels fit, the 1024-byte table does not.
    vtest::BmpSpec spec;
    spec.width = 1, spec.height = 1, spec.bitCount = 8, spec.colorEntries = 0, spec.data = {1, 2, 3, 4};
    vtest::TempDir dir;
    std::string path = dir.file("short.bmp");
    vtest::WriteAll(path, vtest::BuildBmp(spec));
    vtest::RecordingMessageBoxes boxes;
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(path.c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "The Wrong Data");
    EXPECT_EQ(boxes.boxes[0].caption, "ok");
    EXPECT_EQ(boxes.boxes[0].type, MB_OKCANCEL);
}

TEST(DamagedBmpPageFile, ATruncatedHugeFileIsRefusedBeforeAnyPageFile) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    std::string path = dir.file("cut.bmp");
    {
        CNewDIB big(1200, 1000, 24);
        ASSERT_TRUE(big.IsMapped());
        ASSERT_TRUE(vtest::FillPattern(big));
        ASSERT_EQ(big.SaveFile(path.c_str(), -1, 0), 1);
    }
    std::vector<unsigned char> bytes = vtest::ReadAll(path);
    bytes.resize(bytes.size() - 1);
    vtest::WriteAll(path, bytes);
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(path.c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
    EXPECT_EQ(mode.PageFiles(), 0u);
}

}  // namespace
