// CNewDIB's rectangle front ends and the surface turned into a 24-bit image.
#include <climits>
#include <tuple>

#include "tests/storage/display_fixture.h"
#include "velmora/newdib.h"

namespace {

using vtest::Dc;
using vtest::kWhite;
using vtest::MakeDc;
using vtest::RowColor;

class FrontEndTest : public vtest::DisplayTest {
protected:
    // A small 24-bit document, each pixel in the colour of its picture row.
    void SetUp() override { MakeRowImage(m_doc, 8, 8, false); }
    CNewDIB m_doc;
};

TEST_F(FrontEndTest, RectanglesBecomeOriginAndExtent) {
    CDC cdc;
    ASSERT_TRUE(cdc.CreateMemoryDC(10, 10, kWhite));
    RECT dst{2, 3, 6, 7}, src{1, 4, 5, 8}, big{0, 0, 10, 10};
    EXPECT_EQ(m_doc.DrawDIB(&cdc, &dst, &src, SRCCOPY), 8);  // unscaled: the device's scan lines
    EXPECT_EQ(GetDeviceCallCounts(cdc.GetSafeHdc()).setDIBitsToDevice, 1u);
    EXPECT_EQ(cdc.GetPixel(2, 3), RowColor(4));
    EXPECT_EQ(cdc.GetPixel(5, 6), RowColor(7));
    EXPECT_EQ(cdc.GetPixel(6, 6), kWhite);
    EXPECT_EQ(cdc.GetPixel(5, 7), kWhite);
    EXPECT_EQ(m_doc.DrawDIB(cdc.GetSafeHdc(), &big, &src, SRCCOPY), 4);  // stretched: the source height
    EXPECT_EQ(cdc.GetPixel(9, 9), RowColor(7));
}

TEST_F(FrontEndTest, MissingArgumentsAndHostileRectanglesFailCleanly) {
    Dc dc = MakeDc(4, 4);
    RECT r{0, 0, 4, 4}, wide{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, flipped{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    EXPECT_EQ(m_doc.DrawDIB(static_cast<CDC*>(nullptr), &r, &r, SRCCOPY), 0);
    EXPECT_EQ(m_doc.DrawDIB(dc.get(), nullptr, &r, SRCCOPY), 0);
    EXPECT_EQ(m_doc.DrawDIB(dc.get(), &r, nullptr, SRCCOPY), 0);
    m_doc.DrawDIB(dc.get(), &wide, &flipped, SRCCOPY);
    m_doc.DrawDIB(dc.get(), &flipped, &wide, SRCCOPY);
    m_doc.DrawDIB(dc.get(), &r, &wide, SRCCOPY);
}

// Small surfaces become memory images, large ones page-file images, each
// pixel in the surface's colour and the row padding zero.
TEST_F(FrontEndTest, SurfaceBecomesATrueColorImage) {
    for (const int side : {5, 1000}) {  // 1000 x 1000 x 24 bits: 3,000,000 bytes, paged
        SetImageUseMemSize(0);
        Dc dc = MakeDc(side, side - 2);
        RECT dst{1, 0, side, side - 2}, src{0, 0, 4, 3};
        m_doc.DrawDIB(dc.get(), &dst, &src, SRCCOPY);
        CNewDIB out;
        ASSERT_EQ(CopySurfaceToDIB(dc.get(), &out), 1);
        EXPECT_EQ(std::make_tuple(out.GetWidth(), out.GetHeight(), out.GetBitCount(), out.IsMapped()),
                  std::make_tuple(side, side - 2, 24, side > 5 ? 1 : 0));
        for (int t = 0; t<side - 2; t += side> 5 ? 499 : 1) {
            const BYTE* row = out.GetDIBRow(side - 3 - t);  // picture row t
            ASSERT_NE(row, nullptr);
            for (int x = 0; x<side; x += side> 5 ? 333 : 1)
                EXPECT_EQ(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]), GetDCPixel(dc.get(), x, t)) << x << "," << t;
            if (side == 5) {
                EXPECT_EQ(row[15], 0) << "padding";
            }
        }
    }
    CNewDIB out;
    Dc dc = MakeDc(1, 1);
    EXPECT_EQ(CopySurfaceToDIB(nullptr, &out), 0);
    EXPECT_EQ(CopySurfaceToDIB(dc.get(), nullptr), 0);
}

}  // namespace
