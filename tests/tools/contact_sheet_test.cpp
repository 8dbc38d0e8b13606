// The contact sheet: where the cells go, the tiny label font, and a sheet
// drawn from a folder with a file that cannot be read.
#include <set>

#include "tools/contact_sheet_layout.h"
#include "tools/tiny_font.h"
#include "tools/tool_fixture.h"
#include "velmora/thumbnail.h"

namespace {

using velmora::cli::FitInBox;
using velmora::cli::PlanSheet;
using velmora::cli::SheetLayout;
using vtool::Has;
using vtool::Outcome;
using vtool::Quote;
using vtool::Tool;

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

TEST(SheetLayout, CellsRunAcrossThenDownWithLabelsBeneath) {
    const SheetLayout auto5 = PlanSheet(5, 100, 0);  // about as many columns as rows
    EXPECT_EQ(auto5.columns, 3);
    EXPECT_EQ(auto5.rows, 2);
    const int pitchY = 100 + SheetLayout::kLabelHeight + SheetLayout::kGap;
    ExpectRect(auto5.Box(4), 8 + 108, 8 + pitchY, 8 + 108 + 100, 8 + pitchY + 100);
    EXPECT_EQ(auto5.LabelLine(4, 1).y, 8 + pitchY + 100 + 4 + SheetLayout::kLineHeight);
    EXPECT_EQ(auto5.Width(), 8 + 3 * 100 + 2 * 8 + 8);
    EXPECT_EQ(auto5.Height(), 8 + 2 * (100 + SheetLayout::kLabelHeight) + 8 + 8);
    // More columns than images shrink to the images; one image still makes a sheet.
    EXPECT_EQ(PlanSheet(3, 64, 10).columns, 3);
    EXPECT_EQ(PlanSheet(0, 64, 0).rows, 1);
}

TEST(SheetLayout, ThumbnailsKeepTheImagesShapeCentredInTheirBox) {
    const RECT box{10, 20, 110, 120};
    ExpectRect(FitInBox(box, 200, 50), 10, 57, 110, 82);   // wide
    ExpectRect(FitInBox(box, 30, 120), 47, 20, 72, 120);   // tall
    ExpectRect(FitInBox(box, 1, 1), 10, 20, 110, 120);     // small images are enlarged
    ExpectRect(FitInBox(box, 100000, 1), 10, 69, 110, 70); // never thinner than a pixel
}

TEST(TinyFont, EveryPrintableCharacterHasItsOwnGlyphAndOthersShowAsQuestionMarks) {
    std::set<std::vector<unsigned char>> seen;
    for (char c = ' '; c <= '~'; ++c) {
        const unsigned char* rows = velmora::cli::GlyphRows(c);
        EXPECT_TRUE(seen.insert(std::vector<unsigned char>(rows, rows + velmora::cli::kGlyphHeight)).second) << c;
    }
    EXPECT_EQ(velmora::cli::GlyphRows('\xE4'), velmora::cli::GlyphRows('?'));
    EXPECT_EQ(velmora::cli::TextWidth("ab"), 11);
}

COLORREF SheetPixel(CNewDIB& sheet, int x, int y) {
    const BYTE* p = sheet.GetDIBRow(sheet.GetHeight() - 1 - y) + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

// Two readable images, one damaged and one file the library does not read:
// the damaged one gets a crossed cell and is listed; the sheet is saved.
TEST_F(Tool, ContactSheetDrawsEveryImageOfTheFolderAndCrossesOutTheUnreadable) {
    const std::string images = dir.file("images");
    ASSERT_EQ(mkdir(images.c_str(), 0755), 0);
    auto copy = [&](const std::string& from, const std::string& to) {
        vtest::WriteAll(images + "/" + to, vtest::ReadAll(vtest::DataPath(from)));
    };
    copy("bmp/rgb24.bmp", "a.bmp");
    copy("damaged/bmp/im_pal8_w61__bad_magic.bmp", "b.bmp");
    copy("bmp/pal8.bmp", "c.BMP");
    copy("bmp/pal8.bmp", "notes.txt");
    const std::string sheetPath = images + "/sheet.bmp";  // in the folder: a second run must leave it out
    for (int run = 0; run < 2; ++run) {
        const Outcome o = Run("contact-sheet " + Quote(images) + " " + Quote(sheetPath) + " --cell 40 --columns 2");
        EXPECT_EQ(o.status, 1) << o.err;
        EXPECT_EQ(o.out, sheetPath + ": 3 images, 1 unreadable\n");
        EXPECT_TRUE(Has(o.err, "  " + images + "/b.bmp: cannot read: 要打开的文件不是BMP文件 (the file is not a BMP file)\n"))
            << o.err;
    }
    const SheetLayout layout = PlanSheet(3, 40, 2);
    CNewDIB sheet;
    ASSERT_EQ(sheet.ReadFile(sheetPath.c_str(), -1), 1);
    ASSERT_EQ(sheet.GetWidth(), layout.Width());
    ASSERT_EQ(sheet.GetHeight(), layout.Height());
    // rgb24.bmp (127 x 64) fills its box's width, 40 x 20, centred: the
    // library's filtered thumbnail, pixel for pixel.
    const RECT a = FitInBox(layout.Box(0), 127, 64);
    ASSERT_EQ(a.right - a.left, 40);
    ASSERT_EQ(a.bottom - a.top, 20);
    CNewDIB source;
    ASSERT_EQ(source.ReadFile(vtest::DataPath("bmp/rgb24.bmp").c_str(), -1), 1);
    CNewDIB thumb;
    ASSERT_EQ(MakeThumbnail(&source, 40, 40, &thumb), 1);
    for (int y : {0, 7, 19}) {
        const unsigned long pixel = thumb.GetPixelRGB(5, 19 - y);  // blue low
        EXPECT_EQ(SheetPixel(sheet, a.left + 5, a.top + y),
                  RGB(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel)));
    }
    // The damaged file's box is crossed in red through its centre.
    const RECT b = layout.Box(1);
    EXPECT_EQ(SheetPixel(sheet, b.left + 20, b.top + 20), RGB(0xD0, 0x20, 0x20));
    // Its label is written in dark ink beneath it.
    int ink = 0;
    const auto name = layout.LabelLine(1, 0);
    for (int y = name.y; y < name.y + velmora::cli::kGlyphHeight; ++y)
        for (int x = name.x; x < name.x + 30; ++x) ink += SheetPixel(sheet, x, y) == RGB(0x20, 0x20, 0x20);
    EXPECT_GT(ink, 10);
}

TEST_F(Tool, ContactSheetOfAFolderWithoutImagesFails) {
    EXPECT_EQ(Run("contact-sheet " + Quote(dir.path()) + " " + Out("s.bmp")).status, 1);
    EXPECT_EQ(Run("contact-sheet " + Out("absent") + " " + Out("s.bmp")).status, 1);
    EXPECT_EQ(Run("contact-sheet " + Quote(dir.path()) + " " + Out("s.bmp") + " --cell 5").status, 2);
}

}  // namespace
