// Drawing page-file images window by window: the same pixels as from memory,
// destination bands that tile without gap or overlap, requests on every side
// of the current window, and one device call when the window holds them.
#include <algorithm>
#include <cmath>

#include "tests/storage/display_fixture.h"

namespace {

using vtest::Dc;
using vtest::kWhite;
using vtest::MakeDc;
using vtest::ProbeDIB;
using vtest::RowOf;

// 24 bits, 2100 bytes a row: about 1000 rows a 2 MiB window, six windows.
constexpr int kW = 700, kH = 6000;

class WindowDrawTest : public vtest::DisplayTest {
protected:
    // Each surface row in [yDest, yDest + h) holds picture row ySrc + (y - yDest)
    // at columns [xDest, xDest + w), and everything else is untouched.
    static void ExpectUnscaledRows(HDC dc, int xDest, int yDest, int w, int h, int ySrc) {
        for (int y = 0; y < GetDCHeight(dc); ++y) {
            const bool inside = y >= yDest && y < yDest + h;
            for (int x : {xDest - 1, xDest, xDest + w - 1, xDest + w}) {
                if (x < 0 || x >= GetDCWidth(dc)) continue;
                const COLORREF c = GetDCPixel(dc, x, y);
                if (inside && x >= xDest && x < xDest + w)
                    ASSERT_EQ(RowOf(c), ySrc + y - yDest) << "surface row " << y;
                else
                    ASSERT_EQ(c, kWhite) << "surface (" << x << ", " << y << ")";
            }
        }
    }

    // Every surface row of [0, hDest) holds exactly one source row (an
    // overlap would AND two rows into no row colour, a gap leave white), the
    // rows go down the picture in order, and each lies where the scale puts it
    // (give or take the half destination row a band edge may move).
    static void ExpectStretchedRows(HDC dc, int hDest, int ySrc, int hSrc) {
        const double scale = static_cast<double>(hDest) / hSrc;
        const double tolerance = 1.0 + 0.5 / std::min(scale, 1.0);
        int previous = -1;
        for (int y = 0; y < hDest; ++y) {
            const int row = RowOf(GetDCPixel(dc, 1, y));
            ASSERT_GE(row, 0) << "surface row " << y << " drawn "
                              << (GetDCPixel(dc, 1, y) == kWhite ? "never" : "twice");
            ASSERT_GE(row, previous) << "surface row " << y;
            ASSERT_LE(std::fabs(row - ySrc - (y + 0.5) / scale), tolerance) << "surface row " << y;
            previous = row;
        }
    }
};

TEST_F(WindowDrawTest, PageFileStretchByTwoMatchesMemoryPixelForPixel) {
    ProbeDIB memory, paged;
    MakePatternImage(memory, kW, kH, 24, false);
    MakePatternImage(paged, kW, kH, 24, true);
    struct Request {
        int xSrc, ySrc, wSrc, hSrc;
    };
    // The whole height, then requests that start and end inside windows, the
    // last one overlapping the window the previous drawing left.
    for (const Request& r : {Request{10, 0, 24, kH}, Request{0, 1501, 16, 3333}, Request{600, 3000, 20, 2000}}) {
        auto draw = [&](ProbeDIB& dib, Dc& dc) {
            dc = MakeDc(2 * r.wSrc, 2 * r.hSrc);
            return dib.DrawDIB(dc.get(), 0, 0, 2 * r.wSrc, 2 * r.hSrc, r.xSrc, r.ySrc, r.wSrc, r.hSrc, SRCCOPY);
        };
        Dc fromMemory, fromPages;
        EXPECT_EQ(draw(memory, fromMemory), r.hSrc);
        EXPECT_EQ(GetDeviceCallCounts(fromMemory.get()).stretchDIBits, 1u);
        EXPECT_EQ(draw(paged, fromPages), 1);
        EXPECT_GT(GetDeviceCallCounts(fromPages.get()).stretchDIBits, 1u) << "drawn over several windows";
        EXPECT_TRUE(SameSurface(fromMemory.get(), fromPages.get())) << "request at row " << r.ySrc;
        EXPECT_EQ(paged.GetBitmapInfo()->bmiHeader.biHeight, kH) << "the header reports the full height";
    }
}

// Enlarging by 1.37 with the window left where filling ended (the top rows),
// in the middle or at the bottom; shrinking to 1021 rows from the middle.
TEST_F(WindowDrawTest, NonIntegerFactorTilesTheDestinationWhereverTheWindowIs) {
    ProbeDIB dib;
    MakeRowImage(dib, kW, kH, true);
    struct Request {
        int windowRow, ySrc, hSrc, hDest;
    };
    const Request requests[] = {{-1, 0, kH, 8220},        {-1, 1234, 3333, 4566}, {2500, 0, kH, 8220},
                                {2500, 1234, 3333, 4566}, {kH - 1, 0, kH, 8220},  {kH - 1, 1234, 3333, 4566},
                                {3100, 0, kH, 1021}};
    for (const Request& r : requests) {
        if (r.windowRow >= 0) {
            ASSERT_EQ(dib.Map(r.windowRow), 1);
        }
        Dc dc = MakeDc(4, r.hDest);
        EXPECT_EQ(dib.StretchDIB(dc.get(), 0, 0, 4, r.hDest, 0, r.ySrc, kW, r.hSrc, SRCAND), 1);
        SCOPED_TRACE(testing::Message() << "window at " << r.windowRow << ", request at " << r.ySrc);
        ExpectStretchedRows(dc.get(), r.hDest, r.ySrc, r.hSrc);
    }
}

TEST_F(WindowDrawTest, BltDrawsRequestsOnEverySideOfTheWindow) {
    ProbeDIB dib;
    MakeRowImage(dib, kW, kH, true);
    ASSERT_EQ(dib.Map(2500), 1);
    const int first = dib.WinFirst(), end = dib.WinEnd();
    ASSERT_GT(first, 200);
    ASSERT_LT(end, kH - 200);
    struct Case {
        const char* name;
        int ySrc, h;
        unsigned long calls;
    };
    const Case cases[] = {
        {"straddling", first - 100, end - first + 200, 3},  // above, inside, below: one call each
        {"above", 10, 150, 1},
        {"overlapping its top", first - 50, 100, 2},
        {"overlapping its bottom", end - 50, 100, 2},
        {"below", end + 10, 150, 1},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(dib.Map(2500), 1);  // the same window for every case
        Dc dc = MakeDc(20, c.h + 10);
        EXPECT_EQ(dib.BltDIB(dc.get(), 3, 5, 10, c.h, 50, c.ySrc), 1) << c.name;
        EXPECT_EQ(GetDeviceCallCounts(dc.get()).setDIBitsToDevice, c.calls) << c.name;
        SCOPED_TRACE(c.name);
        ExpectUnscaledRows(dc.get(), 3, 5, 10, c.h, c.ySrc);
        EXPECT_EQ(dib.GetBitmapInfo()->bmiHeader.biHeight, kH);
    }
}

TEST_F(WindowDrawTest, RequestInsideTheWindowIsOneDeviceCall) {
    ProbeDIB dib;
    MakeRowImage(dib, kW, kH, true);
    ASSERT_EQ(dib.Map(2500), 1);
    const int first = dib.WinFirst(), rows = dib.WinRows();
    Dc unscaled = MakeDc(10, 50), stretched = MakeDc(10, 50);
    // The device's own results come back: the window's rows as scan lines,
    // the source height.
    EXPECT_EQ(dib.DrawDIB(unscaled.get(), 0, 0, 10, 50, 0, first + 10, 10, 50, SRCCOPY), rows);
    EXPECT_EQ(dib.StretchDIB(stretched.get(), 0, 0, 10, 50, 0, first + 10, 20, 25, SRCCOPY), 25);
    EXPECT_EQ(GetDeviceCallCounts(unscaled.get()).setDIBitsToDevice, 1u);
    EXPECT_EQ(GetDeviceCallCounts(stretched.get()).stretchDIBits, 1u);
    EXPECT_EQ(dib.WinFirst(), first) << "no remapping";
    ExpectUnscaledRows(unscaled.get(), 0, 0, 10, 50, first + 10);
    EXPECT_EQ(vtest::RowOf(GetDCPixel(stretched.get(), 0, 49)), first + 34);
}

// Equal sizes with SRCCOPY go to SetDIBitsToDevice, anything else to
// StretchDIBits, each one call returning the device's result.
TEST_F(WindowDrawTest, MemoryImageIsOneDeviceCallOfTheRightKind) {
    ProbeDIB dib;
    MakeRowImage(dib, 40, 30, false);
    Dc dc = MakeDc(40, 30);
    EXPECT_EQ(dib.DrawDIB(dc.get(), 0, 0, 40, 30, 0, 0, 40, 30, SRCCOPY), 30);
    EXPECT_EQ(GetDeviceCallCounts(dc.get()).setDIBitsToDevice, 1u);
    EXPECT_EQ(dib.DrawDIB(dc.get(), 0, 0, 20, 15, 0, 0, 40, 30, SRCCOPY), 30);
    EXPECT_EQ(dib.DrawDIB(dc.get(), 0, 0, 40, 30, 0, 0, 40, 30, SRCAND), 30);
    const DeviceCallCounts n = GetDeviceCallCounts(dc.get());
    EXPECT_EQ(std::make_pair(n.setDIBitsToDevice, n.stretchDIBits), std::make_pair(1ul, 2ul));
    EXPECT_EQ(GetStretchBltMode(dc.get()), COLORONCOLOR);
}

}  // namespace
