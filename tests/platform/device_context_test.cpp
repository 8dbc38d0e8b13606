// The memory device context: surfaces, the two DIB drawing calls as the
// graphics device interface defines them, clipping and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "velmora/devicecontext.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A bottom-up DIB whose header and bits live in separate exact-size blocks,
// so that a read past the rows it has is caught by the address sanitizer.
class TestDib {
public:
    TestDib(int width, int height, int bitCount, int colors = -1)
        : m_width(width), m_height(height), m_stride(((width * bitCount + 31) / 32) * 4) {
        if (colors < 0) colors = bitCount <= 8 ? 1 << bitCount : 0;
        m_header.resize(sizeof(BITMAPINFOHEADER) + 4 * static_cast<size_t>(colors));
        header() = BITMAPINFOHEADER{
            sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(bitCount), BI_RGB, 0, 0, 0, 0, 0};
        if (bitCount <= 8 && colors != (1 << bitCount)) header().biClrUsed = static_cast<DWORD>(colors);
        m_bits.assign(static_cast<size_t>(m_stride) * static_cast<size_t>(height), 0);
    }
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(m_header.data()); }
    BITMAPINFOHEADER& header() { return info()->bmiHeader; }
    BYTE* bits() { return m_bits.data(); }
    // Storage row `row` (0 = bottom).
    BYTE* row(int row) { return m_bits.data() + static_cast<size_t>(row) * static_cast<size_t>(m_stride); }

    void SetColor(int index, COLORREF c) {
        info()->bmiColors[index] = RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
    }
    // Every pixel of a 24-bit DIB a colour of its own: red = x, green = storage row.
    void FillCoordinates() {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                BYTE* p = row(y) + 3 * x;
                p[0] = 7;
                p[1] = static_cast<BYTE>(y);
                p[2] = static_cast<BYTE>(x);
            }
    }

private:
    int m_width, m_height, m_stride;
    std::vector<BYTE> m_header;
    std::vector<BYTE> m_bits;
};

struct DcDeleter {
    void operator()(HDC__* dc) const { DeleteMemoryDC(dc); }
};
using Dc = std::unique_ptr<HDC__, DcDeleter>;

Dc MakeDc(int w, int h, COLORREF fill = kWhite) { return Dc(CreateMemoryDC(w, h, fill)); }

// The colour the coordinates fill gives source pixel (x, storage row y).
COLORREF At(int x, int y) { return RGB(static_cast<BYTE>(x), static_cast<BYTE>(y), 7); }

// Surface row y, left to right.
std::vector<COLORREF> Row(HDC dc, int y) {
    std::vector<COLORREF> row;
    for (int x = 0; x < GetDCWidth(dc); ++x) row.push_back(GetDCPixel(dc, x, y));
    return row;
}
using Colors = std::vector<COLORREF>;
constexpr COLORREF W = kWhite;

int CountColor(HDC dc, COLORREF c) {
    int n = 0;
    for (int y = 0; y < GetDCHeight(dc); ++y)
        for (int x = 0; x < GetDCWidth(dc); ++x) n += GetDCPixel(dc, x, y) == c;
    return n;
}

// Draws the one row of `dib` unscaled at the origin.
int Blt(HDC dc, TestDib& dib, int width) {
    return SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), 1, 0, 0, 0, 1, dib.bits(), dib.info(),
                             DIB_RGB_COLORS);
}

// Draws all of `dib` 1:1 or stretched at the origin.
int Stretch(HDC dc, int wDest, int hDest, TestDib& dib, int wSrc, int hSrc, DWORD rop = SRCCOPY) {
    return StretchDIBits(dc, 0, 0, wDest, hDest, 0, 0, wSrc, hSrc, dib.bits(), dib.info(), DIB_RGB_COLORS, rop);
}

TEST(MemoryDC, StartsFilledReadsBackInHostOrderAndRefusesEmptyOrHugeSurfaces) {
    Dc dc = MakeDc(3, 2, RGB(1, 2, 3));
    ASSERT_TRUE(dc);
    EXPECT_EQ(std::make_pair(GetDCWidth(dc.get()), GetDCHeight(dc.get())), std::make_pair(3, 2));
    EXPECT_EQ(GetDCPixel(dc.get(), 2, 1), RGB(1, 2, 3));
    EXPECT_EQ(GetDCSurface(dc.get())[0], 0x00010203u);  // 0x00RRGGBB
    EXPECT_EQ(GetDCPixel(dc.get(), 3, 0), CLR_INVALID);
    EXPECT_EQ(GetDCPixel(dc.get(), 0, -1), CLR_INVALID);
    EXPECT_EQ(GetDCPixel(nullptr, 0, 0), CLR_INVALID);
    EXPECT_EQ(CreateMemoryDC(0, 10, kWhite), nullptr);
    EXPECT_EQ(CreateMemoryDC(10, -1, kWhite), nullptr);
    EXPECT_EQ(CreateMemoryDC(kMaxSurfaceSide + 1, 1, kWhite), nullptr);
    EXPECT_EQ(CreateMemoryDC(kMaxSurfaceSide, kMaxSurfaceSide, kWhite), nullptr);
    // The stretch mode starts as BLACKONWHITE; setting one returns the previous.
    EXPECT_EQ(SetStretchBltMode(dc.get(), COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(dc.get(), HALFTONE), COLORONCOLOR);
    EXPECT_EQ(SetStretchBltMode(dc.get(), 99), 0);
    EXPECT_EQ(SetStretchBltMode(nullptr, COLORONCOLOR), 0);
}

TEST(MemoryDC, CdcDeletesOnlyWhatItCreated) {
    Dc outside = MakeDc(2, 2);
    {
        CDC cdc;
        ASSERT_TRUE(cdc.CreateMemoryDC(4, 4, kRed));
        EXPECT_EQ(cdc.GetPixel(3, 3), kRed);
        ASSERT_TRUE(cdc.CreateMemoryDC(5, 5, kGreen));  // the first one is deleted (leak check)
        EXPECT_EQ(GetDCWidth(cdc.GetSafeHdc()), 5);
        CDC wrapper(outside.get());
        EXPECT_EQ(wrapper.GetPixel(0, 0), kWhite);
    }
    EXPECT_EQ(GetDCPixel(outside.get(), 1, 1), kWhite);  // still alive
}

TEST(SetDIBitsToDevice, SourceOriginCountsFromTheBottomRow) {
    TestDib dib(4, 3, 24);
    dib.FillCoordinates();
    Dc dc = MakeDc(6, 6);
    // Source rectangle x 1..2, storage rows 1..2; the top of it (row 2) lands on y = 3.
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 2, 3, 2, 2, 1, 1, 0, 3, dib.bits(), dib.info(), DIB_RGB_COLORS), 3);
    EXPECT_EQ(Row(dc.get(), 3), (Colors{W, W, At(1, 2), At(2, 2), W, W}));
    EXPECT_EQ(Row(dc.get(), 4), (Colors{W, W, At(1, 1), At(2, 1), W, W}));
    EXPECT_EQ(CountColor(dc.get(), kWhite), 36 - 4);
}

TEST(SetDIBitsToDevice, DrawsOnlyTheScanLinesTheBitsHold) {
    TestDib full(3, 8, 24);
    full.FillCoordinates();
    std::vector<BYTE> band(full.row(2), full.row(5));  // rows 2..4 in an exact-size block
    Dc dc = MakeDc(3, 8);
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 3, 8, 0, 0, 2, 3, band.data(), full.info(), DIB_RGB_COLORS), 3);
    for (int y = 0; y < 8; ++y) {
        const int storageRow = 7 - y;
        const bool inBand = storageRow >= 2 && storageRow <= 4;
        EXPECT_EQ(GetDCPixel(dc.get(), 1, y), inBand ? At(1, storageRow) : kWhite) << "y " << y;
    }
    // More lines than the DIB has past the start scan: limited to what it has.
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 3, 8, 0, 0, 6, 5, full.row(6), full.info(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 3, 8, 0, 0, 8, 1, full.bits(), full.info(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 3, 8, 0, 0, 0, 0, full.bits(), full.info(), DIB_RGB_COLORS), 0);
}

// Every depth reads its colours; a short colour table leaves later indices black.
TEST(DeviceDepths, EveryBitCountReadsItsColors) {
    const COLORREF colors[4] = {kRed, kGreen, kBlue, RGB(10, 20, 30)};
    // Four pixels of those colours (at 1 bit: red, green, red, green; at 16
    // bits 5-5-5, where (10, 20, 30) becomes (8, 16, 24) as the top bits repeat).
    const std::pair<int, std::vector<BYTE>> rows[] = {{1, {0x50}},
                                                      {2, {0x1B}},
                                                      {4, {0x01, 0x23}},
                                                      {8, {0, 1, 2, 3}},
                                                      {16, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x43, 0x04}},
                                                      {24, {0, 0, 255, 0, 255, 0, 255, 0, 0, 30, 20, 10}},
                                                      {32, {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 30, 20, 10, 0}}};
    for (const auto& [bits, bytes] : rows) {
        TestDib dib(4, 1, bits);
        for (int i = 0; bits <= 8 && i < std::min(4, 1 << bits); ++i) dib.SetColor(i, colors[i]);
        std::memcpy(dib.bits(), bytes.data(), bytes.size());
        Dc dc = MakeDc(4, 1);
        ASSERT_EQ(Blt(dc.get(), dib, 4), 1) << bits;
        const COLORREF last = bits == 16 ? RGB(8, 16, 24) : colors[3];
        EXPECT_EQ(Row(dc.get(), 0),
                  bits == 1 ? (Colors{kRed, kGreen, kRed, kGreen}) : (Colors{kRed, kGreen, kBlue, last}))
            << bits << " bits";
    }
    TestDib shortTable(3, 1, 8, 2);  // biClrUsed = 2
    shortTable.SetColor(0, kRed);
    shortTable.SetColor(1, kGreen);
    std::memcpy(shortTable.bits(), "\x00\x01\xC8", 3);
    Dc dc = MakeDc(3, 1);
    ASSERT_EQ(Blt(dc.get(), shortTable, 3), 1);
    EXPECT_EQ(Row(dc.get(), 0), (Colors{kRed, kGreen, RGB(0, 0, 0)}));
}

// Enlarging repeats each pixel; shrinking takes the pixel under each
// destination centre (source rows 0..5 into 2 rows: offsets 1 and 4 from the top).
TEST(StretchDIBits, TakesTheNearestPixel) {
    TestDib small(2, 2, 24), large(6, 6, 24);
    small.FillCoordinates();
    large.FillCoordinates();
    Dc up = MakeDc(4, 4), down = MakeDc(2, 2);
    EXPECT_EQ(Stretch(up.get(), 4, 4, small, 2, 2), 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(GetDCPixel(up.get(), x, y), At(x / 2, 1 - y / 2)) << x << "," << y;
    EXPECT_EQ(Stretch(down.get(), 2, 2, large, 6, 6), 6);
    EXPECT_EQ(Row(down.get(), 0), (Colors{At(1, 4), At(4, 4)}));
    EXPECT_EQ(Row(down.get(), 1), (Colors{At(1, 1), At(4, 1)}));
}

TEST(StretchDIBits, NegativeDestinationExtentsMirror) {
    TestDib dib(3, 2, 24);
    dib.FillCoordinates();
    Dc dc = MakeDc(3, 2), flipped = MakeDc(3, 2);
    // The rectangle runs left and up from (3, 2): covers x 0..2, y 0..1 mirrored both ways.
    EXPECT_EQ(StretchDIBits(dc.get(), 3, 2, -3, -2, 0, 0, 3, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(Row(dc.get(), 0), (Colors{At(2, 0), At(1, 0), At(0, 0)}));
    EXPECT_EQ(Row(dc.get(), 1), (Colors{At(2, 1), At(1, 1), At(0, 1)}));
    StretchDIBits(flipped.get(), 0, 2, 3, -2, 0, 0, 3, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(Row(flipped.get(), 0), (Colors{At(0, 0), At(1, 0), At(2, 0)}));
    EXPECT_EQ(Row(flipped.get(), 1), (Colors{At(0, 1), At(1, 1), At(2, 1)}));
}

TEST(StretchDIBits, FailsWithZeroAndDrawsNothingOnBadInput) {
    TestDib dib(2, 2, 24);
    Dc dc = MakeDc(2, 2);
    auto draw = [&](HDC d, const void* bits, const BITMAPINFO* info, int wSrc, int hSrc, DWORD rop, UINT use) {
        return StretchDIBits(d, 0, 0, 2, 2, 0, 0, wSrc, hSrc, bits, info, use, rop);
    };
    EXPECT_EQ(draw(nullptr, dib.bits(), dib.info(), 2, 2, SRCCOPY, DIB_RGB_COLORS), 0);
    EXPECT_EQ(draw(dc.get(), nullptr, dib.info(), 2, 2, SRCCOPY, DIB_RGB_COLORS), 0);
    EXPECT_EQ(draw(dc.get(), dib.bits(), nullptr, 2, 2, SRCCOPY, DIB_RGB_COLORS), 0);
    EXPECT_EQ(draw(dc.get(), dib.bits(), dib.info(), 0, 2, SRCCOPY, DIB_RGB_COLORS), 0);
    EXPECT_EQ(draw(dc.get(), dib.bits(), dib.info(), 2, 0, SRCCOPY, DIB_RGB_COLORS), 0);
    EXPECT_EQ(draw(dc.get(), dib.bits(), dib.info(), 2, 2, 0x00EE0086 /* SRCPAINT */, DIB_RGB_COLORS), 0);
    EXPECT_EQ(draw(dc.get(), dib.bits(), dib.info(), 2, 2, SRCCOPY, 1 /* DIB_PAL_COLORS */), 0);
    // Run-length compression, a depth the device does not know, a top-down DIB.
    for (auto spoil : {+[](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; },
                       +[](BITMAPINFOHEADER& h) { h.biBitCount = 3; }, +[](BITMAPINFOHEADER& h) { h.biHeight = -2; }}) {
        TestDib bad(2, 2, 24);
        spoil(bad.header());
        EXPECT_EQ(draw(dc.get(), bad.bits(), bad.info(), 2, 2, SRCCOPY, DIB_RGB_COLORS), 0);
    }
    EXPECT_EQ(CountColor(dc.get(), kWhite), 4);
}

TEST(DeviceClipping, SourceAndSurfaceEdgesCutTheDrawing) {
    TestDib dib(4, 4, 24);
    dib.FillCoordinates();
    Dc dc = MakeDc(4, 4);
    // A source rectangle reaching past every side of the DIB, 1:1 onto the surface.
    EXPECT_EQ(StretchDIBits(dc.get(), 0, 0, 8, 8, -2, -2, 8, 8, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 8);
    // Surface (x, y) shows source (x - 2, storage row 5 - y).
    EXPECT_EQ(CountColor(dc.get(), kWhite), 12);
    EXPECT_EQ(Row(dc.get(), 2), (Colors{W, W, At(0, 3), At(1, 3)}));
    EXPECT_EQ(Row(dc.get(), 3), (Colors{W, W, At(0, 2), At(1, 2)}));
}

TEST(DeviceClipping, HostileRectanglesStayInsideSurfaceAndBits) {
    TestDib dib(5, 5, 8);
    dib.SetColor(0, kRed);
    Dc dc = MakeDc(7, 7);
    const int extremes[] = {INT_MIN, INT_MIN + 1, -100000, -1, 0, 3, 100000, INT_MAX - 1, INT_MAX};
    for (int a : extremes)
        for (int b : extremes) {
            StretchDIBits(dc.get(), a, b, b, a, b, a, a, b, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
            StretchDIBits(dc.get(), 1, 1, a, b, a, b, 2, 3, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCAND);
            SetDIBitsToDevice(dc.get(), a, b, static_cast<DWORD>(a), static_cast<DWORD>(b), b, a, 0, 5, dib.bits(),
                              dib.info(), DIB_RGB_COLORS);
        }
    SUCCEED();  // the sanitizers check the memory accesses
}

TEST(DeviceCounts, CountEachCallThatReachesTheDc) {
    TestDib dib(2, 2, 24);
    Dc dc = MakeDc(2, 2);
    SetDIBitsToDevice(dc.get(), 0, 0, 2, 2, 0, 0, 0, 2, dib.bits(), dib.info(), DIB_RGB_COLORS);
    Stretch(dc.get(), 1, 1, dib, 2, 2);
    Stretch(dc.get(), 1, 1, dib, 2, 2);
    const DeviceCallCounts n = GetDeviceCallCounts(dc.get());
    EXPECT_EQ(std::make_pair(n.setDIBitsToDevice, n.stretchDIBits), std::make_pair(1ul, 2ul));
    ResetDeviceCallCounts(dc.get());
    EXPECT_EQ(GetDeviceCallCounts(dc.get()).stretchDIBits, 0u);
}

}  // namespace
