// CNewDIB's rectangle front ends and the surface turned into a 24-bit image.
#include <climits>

#include "tests/storage/display_fixture.h"
#include "velmora/newdib.h"

namespace {

using vtest::Dc;
using vtest::MakeDc;
using vtest::RowColor;

constexpr COLORREF kWhite = RGB(255, 255, 255);

class FrontEndTest : public vtest::DisplayTest {
protected:
    // A small 24-bit document, each pixel in the colour of its picture row.
    void SetUp() override {
        SetImageUseMemSize(~0ul);
        ASSERT_EQ(m_doc.CreateDIB(8, 8, 24), 1);
        for (int row = 0; row < 8; ++row) {
            BYTE* p = m_doc.GetDIBRow(row);
            for (int x = 0; x < 8; ++x) {
                const COLORREF c = RowColor(7 - row);
                p[3 * x] = GetBValue(c);
                p[3 * x + 1] = GetGValue(c);
                p[3 * x + 2] = GetRValue(c);
            }
        }
    }
    CNewDIB m_doc;
};

TEST_F(FrontEndTest, RectanglesBecomeOriginAndExtent) {
    CDC cdc;
    ASSERT_TRUE(cdc.CreateMemoryDC(10, 10, kWhite));
    RECT dst{2, 3, 6, 7}, src{1, 4, 5, 8};
    EXPECT_EQ(m_doc.DrawDIB(&cdc, &dst, &src, SRCCOPY), 8);  // unscaled: the device's scan lines
    EXPECT_EQ(GetDeviceCallCounts(cdc.GetSafeHdc()).setDIBitsToDevice, 1u);
    EXPECT_EQ(cdc.GetPixel(2, 3), RowColor(4));
    EXPECT_EQ(cdc.GetPixel(5, 6), RowColor(7));
    EXPECT_EQ(cdc.GetPixel(6, 6), kWhite);
    EXPECT_EQ(cdc.GetPixel(5, 7), kWhite);

    RECT big{0, 0, 10, 10};
    EXPECT_EQ(m_doc.DrawDIB(cdc.GetSafeHdc(), &big, &src, SRCCOPY), 4);  // stretched: the source height
    EXPECT_EQ(cdc.GetPixel(9, 9), RowColor(7));
}

TEST_F(FrontEndTest, MissingArgumentsAndHostileRectanglesFailCleanly) {
    Dc dc = MakeDc(4, 4, kWhite);
    RECT r{0, 0, 4, 4};
    EXPECT_EQ(m_doc.DrawDIB(static_cast<CDC*>(nullptr), &r, &r, SRCCOPY), 0);
    EXPECT_EQ(m_doc.DrawDIB(dc.get(), nullptr, &r, SRCCOPY), 0);
    EXPECT_EQ(m_doc.DrawDIB(dc.get(), &r, nullptr, SRCCOPY), 0);
    RECT wide{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, flipped{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    m_doc.DrawDIB(dc.get(), &wide, &flipped, SRCCOPY);
    m_doc.DrawDIB(dc.get(), &flipped, &wide, SRCCOPY);
    m_doc.DrawDIB(dc.get(), &r, &wide, SRCCOPY);
}

TEST_F(FrontEndTest, SurfaceBecomesATrueColorImage) {
    Dc dc = MakeDc(5, 3, kWhite);
    RECT dst{1, 0, 5, 3}, src{0, 0, 4, 3};
    m_doc.DrawDIB(dc.get(), &dst, &src, SRCCOPY);
    CNewDIB out;
    ASSERT_EQ(CopySurfaceToDIB(dc.get(), &out), 1);
    ASSERT_EQ(out.GetWidth(), 5);
    ASSERT_EQ(out.GetHeight(), 3);
    ASSERT_EQ(out.GetBitCount(), 24);
    for (int t = 0; t < 3; ++t) {
        const BYTE* row = out.GetDIBRow(2 - t);  // picture row t
        for (int x = 0; x < 5; ++x) {
            const COLORREF c = GetDCPixel(dc.get(), x, t);
            EXPECT_EQ(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]), c) << x << "," << t;
        }
        EXPECT_EQ(row[15], 0) << "padding";
    }
    EXPECT_EQ(CopySurfaceToDIB(nullptr, &out), 0);
    EXPECT_EQ(CopySurfaceToDIB(dc.get(), nullptr), 0);
}

TEST_F(FrontEndTest, LargeSurfaceBecomesAPageFileImage) {
    SetImageUseMemSize(0);
    Dc dc = MakeDc(1000, 1000, kWhite);  // 3,000,000 bytes at 24 bits: paged
    RECT dst{0, 0, 1000, 1000}, src{0, 0, 8, 8};
    m_doc.DrawDIB(dc.get(), &dst, &src, SRCCOPY);
    CNewDIB out;
    ASSERT_EQ(CopySurfaceToDIB(dc.get(), &out), 1);
    EXPECT_EQ(out.IsMapped(), 1);
    for (int t : {0, 499, 999}) {
        const BYTE* row = out.GetDIBRow(999 - t);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(RGB(row[2], row[1], row[0]), RowColor(t * 8 / 1000)) << "picture row " << t;
    }
}

}  // namespace
