// The memory device context: surfaces, the two DIB drawing calls as the
// graphics device interface defines them, clipping and failures.
#include <gtest/gtest.h>

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
        : m_width(width), m_height(height), m_bitCount(bitCount) {
        if (colors < 0) colors = bitCount <= 8 ? 1 << bitCount : 0;
        m_header.resize(sizeof(BITMAPINFOHEADER) + 4 * static_cast<size_t>(colors));
        BITMAPINFOHEADER h{};
        h.biSize = sizeof h;
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(bitCount);
        h.biCompression = BI_RGB;
        if (bitCount <= 8 && colors != (1 << bitCount)) h.biClrUsed = static_cast<DWORD>(colors);
        std::memcpy(m_header.data(), &h, sizeof h);
        m_stride = ((width * bitCount + 31) / 32) * 4;
        m_bits.assign(static_cast<size_t>(m_stride) * static_cast<size_t>(height), 0);
    }
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(m_header.data()); }
    BITMAPINFOHEADER& header() { return info()->bmiHeader; }
    BYTE* bits() { return m_bits.data(); }
    // Storage row `row` (0 = bottom).
    BYTE* row(int row) { return m_bits.data() + static_cast<size_t>(row) * static_cast<size_t>(m_stride); }
    int stride() const { return m_stride; }

    void SetColor(int index, COLORREF c) {
        RGBQUAD q{GetBValue(c), GetGValue(c), GetRValue(c), 0};
        std::memcpy(m_header.data() + sizeof(BITMAPINFOHEADER) + 4 * static_cast<size_t>(index), &q, 4);
    }
    // Pixel (x, storage row y): a colour-table index or a host-order colour.
    void Set(int x, int y, DWORD value) {
        BYTE* r = row(y);
        switch (m_bitCount) {
            case 1:
                r[x / 8] = static_cast<BYTE>((r[x / 8] & ~(0x80 >> (x % 8))) | ((value & 1) << (7 - x % 8)));
                break;
            case 2:
                r[x / 4] =
                    static_cast<BYTE>((r[x / 4] & ~(0xC0 >> (2 * (x % 4)))) | ((value & 3) << (6 - 2 * (x % 4))));
                break;
            case 4:
                r[x / 2] =
                    static_cast<BYTE>((r[x / 2] & ~(0xF0 >> (4 * (x % 2)))) | ((value & 15) << (4 - 4 * (x % 2))));
                break;
            case 8:
                r[x] = static_cast<BYTE>(value);
                break;
            case 16: {
                unsigned v = ((GetRValue(value) >> 3) << 10) | ((GetGValue(value) >> 3) << 5) | (GetBValue(value) >> 3);
                r[2 * x] = static_cast<BYTE>(v);
                r[2 * x + 1] = static_cast<BYTE>(v >> 8);
                break;
            }
            default: {
                const int b = m_bitCount / 8;
                r[b * x] = GetBValue(value);
                r[b * x + 1] = GetGValue(value);
                r[b * x + 2] = GetRValue(value);
            }
        }
    }
    // Every pixel of a 24-bit DIB a colour of its own: red = x, green = storage row.
    void FillCoordinates() {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) Set(x, y, RGB(static_cast<BYTE>(x), static_cast<BYTE>(y), 7));
    }

private:
    int m_width, m_height, m_bitCount, m_stride;
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

int CountColor(HDC dc, COLORREF c) {
    int n = 0;
    for (int y = 0; y < GetDCHeight(dc); ++y)
        for (int x = 0; x < GetDCWidth(dc); ++x) n += GetDCPixel(dc, x, y) == c;
    return n;
}

TEST(MemoryDC, StartsFilledAndReadsBackInHostOrder) {
    Dc dc = MakeDc(3, 2, RGB(1, 2, 3));
    ASSERT_TRUE(dc);
    EXPECT_EQ(GetDCWidth(dc.get()), 3);
    EXPECT_EQ(GetDCHeight(dc.get()), 2);
    EXPECT_EQ(GetDCPixel(dc.get(), 2, 1), RGB(1, 2, 3));
    EXPECT_EQ(GetDCSurface(dc.get())[0], 0x00010203u);  // 0x00RRGGBB
    EXPECT_EQ(GetDCPixel(dc.get(), 3, 0), CLR_INVALID);
    EXPECT_EQ(GetDCPixel(dc.get(), 0, -1), CLR_INVALID);
    EXPECT_EQ(GetDCPixel(nullptr, 0, 0), CLR_INVALID);
}

TEST(MemoryDC, RefusesEmptyOrHugeSurfaces) {
    EXPECT_EQ(CreateMemoryDC(0, 10, kWhite), nullptr);
    EXPECT_EQ(CreateMemoryDC(10, -1, kWhite), nullptr);
    EXPECT_EQ(CreateMemoryDC(kMaxSurfaceSide + 1, 1, kWhite), nullptr);
    EXPECT_EQ(CreateMemoryDC(kMaxSurfaceSide, kMaxSurfaceSide, kWhite), nullptr);
}

TEST(MemoryDC, CdcDeletesOnlyWhatItCreated) {
    Dc outside = MakeDc(2, 2);
    {
        CDC cdc;
        ASSERT_TRUE(cdc.CreateMemoryDC(4, 4, kRed));
        EXPECT_EQ(cdc.GetPixel(3, 3), kRed);
        ASSERT_TRUE(cdc.CreateMemoryDC(5, 5, kGreen));  // the first one is deleted (leak check)
        EXPECT_EQ(GetDCWidth(cdc.GetSafeHdc()), 5);
    }
    {
        CDC cdc(outside.get());
        EXPECT_EQ(cdc.GetPixel(0, 0), kWhite);
    }
    EXPECT_EQ(GetDCPixel(outside.get(), 1, 1), kWhite);  // still alive
}

TEST(MemoryDC, StretchModeReturnsThePreviousOne) {
    Dc dc = MakeDc(1, 1);
    EXPECT_EQ(SetStretchBltMode(dc.get(), COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(dc.get(), HALFTONE), COLORONCOLOR);
    EXPECT_EQ(SetStretchBltMode(dc.get(), 99), 0);
    EXPECT_EQ(SetStretchBltMode(nullptr, COLORONCOLOR), 0);
}

TEST(SetDIBitsToDevice, SourceOriginCountsFromTheBottomRow) {
    TestDib dib(4, 3, 24);
    dib.FillCoordinates();
    Dc dc = MakeDc(6, 6);
    // Source rectangle x 1..2, storage rows 1..2; the top of it (row 2) lands on y = 3.
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 2, 3, 2, 2, 1, 1, 0, 3, dib.bits(), dib.info(), DIB_RGB_COLORS), 3);
    EXPECT_EQ(GetDCPixel(dc.get(), 2, 3), At(1, 2));
    EXPECT_EQ(GetDCPixel(dc.get(), 3, 3), At(2, 2));
    EXPECT_EQ(GetDCPixel(dc.get(), 2, 4), At(1, 1));
    EXPECT_EQ(GetDCPixel(dc.get(), 3, 4), At(2, 1));
    EXPECT_EQ(CountColor(dc.get(), kWhite), 36 - 4);
}

TEST(SetDIBitsToDevice, DrawsOnlyTheScanLinesTheBitsHold) {
    TestDib full(3, 8, 24);
    full.FillCoordinates();
    // A band of rows 2..4 in an exact-size block.
    std::vector<BYTE> band(full.row(2), full.row(5));
    Dc dc = MakeDc(3, 8);
    int n = SetDIBitsToDevice(dc.get(), 0, 0, 3, 8, 0, 0, 2, 3, band.data(), full.info(), DIB_RGB_COLORS);
    EXPECT_EQ(n, 3);
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

TEST(DeviceDepths, EveryBitCountReadsItsColors) {
    const COLORREF colors[4] = {kRed, kGreen, kBlue, RGB(10, 20, 30)};
    for (int bits : {1, 2, 4, 8, 16, 24, 32}) {
        TestDib dib(4, 1, bits);
        for (int x = 0; x < 4; ++x) {
            if (bits <= 8) {
                const int index = bits == 1 ? x % 2 : x;
                if (index == x) dib.SetColor(index, colors[x]);
                dib.Set(x, 0, static_cast<DWORD>(index));
            } else {
                dib.Set(x, 0, colors[x]);
            }
        }
        Dc dc = MakeDc(4, 1);
        ASSERT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 4, 1, 0, 0, 0, 1, dib.bits(), dib.info(), DIB_RGB_COLORS), 1)
            << bits;
        for (int x = 0; x < 4; ++x) {
            COLORREF want = bits == 1 ? colors[x % 2] : colors[x];
            if (bits == 16)
                want = RGB(GetRValue(want) & 0xF8, GetGValue(want) & 0xF8, GetBValue(want) & 0xF8) |
                       RGB((GetRValue(want) >> 5), (GetGValue(want) >> 5), (GetBValue(want) >> 5));
            EXPECT_EQ(GetDCPixel(dc.get(), x, 0), want) << bits << " bits, x " << x;
        }
    }
}

TEST(DeviceDepths, ShortColorTableLeavesLaterIndicesBlack) {
    TestDib dib(3, 1, 8, 2);  // biClrUsed = 2
    dib.SetColor(0, kRed);
    dib.SetColor(1, kGreen);
    dib.Set(0, 0, 0);
    dib.Set(1, 0, 1);
    dib.Set(2, 0, 200);
    Dc dc = MakeDc(3, 1);
    ASSERT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 3, 1, 0, 0, 0, 1, dib.bits(), dib.info(), DIB_RGB_COLORS), 1);
    EXPECT_EQ(GetDCPixel(dc.get(), 0, 0), kRed);
    EXPECT_EQ(GetDCPixel(dc.get(), 1, 0), kGreen);
    EXPECT_EQ(GetDCPixel(dc.get(), 2, 0), RGB(0, 0, 0));
}

TEST(StretchDIBits, EnlargesByNearestPixel) {
    TestDib dib(2, 2, 24);
    dib.FillCoordinates();
    Dc dc = MakeDc(4, 4);
    EXPECT_EQ(StretchDIBits(dc.get(), 0, 0, 4, 4, 0, 0, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(GetDCPixel(dc.get(), x, y), At(x / 2, 1 - y / 2)) << x << "," << y;
}

TEST(StretchDIBits, ShrinksTakingThePixelUnderEachCentre) {
    TestDib dib(6, 6, 24);
    dib.FillCoordinates();
    Dc dc = MakeDc(2, 2);
    // Source rows 0..5 (bottom-up) into 2 destination rows: centres at source offsets 1 and 4 from the top.
    EXPECT_EQ(StretchDIBits(dc.get(), 0, 0, 2, 2, 0, 0, 6, 6, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 6);
    EXPECT_EQ(GetDCPixel(dc.get(), 0, 0), At(1, 4));
    EXPECT_EQ(GetDCPixel(dc.get(), 1, 1), At(4, 1));
}

TEST(StretchDIBits, NegativeDestinationExtentsMirror) {
    TestDib dib(3, 2, 24);
    dib.FillCoordinates();
    Dc dc = MakeDc(3, 2);
    // The rectangle runs left and up from (3, 2): covers x 0..2, y 0..1 mirrored both ways.
    EXPECT_EQ(StretchDIBits(dc.get(), 3, 2, -3, -2, 0, 0, 3, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(GetDCPixel(dc.get(), 0, 0), At(2, 0));
    EXPECT_EQ(GetDCPixel(dc.get(), 2, 1), At(0, 1));
    Dc flipped = MakeDc(3, 2);
    StretchDIBits(flipped.get(), 0, 2, 3, -2, 0, 0, 3, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetDCPixel(flipped.get(), 0, 0), At(0, 0));
    EXPECT_EQ(GetDCPixel(flipped.get(), 2, 1), At(2, 1));
}

TEST(StretchDIBits, SrcAndCombinesWithTheSurface) {
    TestDib dib(1, 1, 24);
    dib.Set(0, 0, RGB(0x0F, 0xF0, 0xFF));
    Dc dc = MakeDc(1, 1, RGB(0x3C, 0x3C, 0x00));
    EXPECT_EQ(StretchDIBits(dc.get(), 0, 0, 1, 1, 0, 0, 1, 1, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCAND), 1);
    EXPECT_EQ(GetDCPixel(dc.get(), 0, 0), RGB(0x0C, 0x30, 0x00));
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
    dib.header().biCompression = BI_RLE8;
    EXPECT_EQ(draw(dc.get(), dib.bits(), dib.info(), 2, 2, SRCCOPY, DIB_RGB_COLORS), 0);
    dib.header().biCompression = BI_RGB;
    dib.header().biBitCount = 3;
    EXPECT_EQ(draw(dc.get(), dib.bits(), dib.info(), 2, 2, SRCCOPY, DIB_RGB_COLORS), 0);
    dib.header().biBitCount = 24;
    dib.header().biHeight = -2;  // top-down
    EXPECT_EQ(draw(dc.get(), dib.bits(), dib.info(), 2, 2, SRCCOPY, DIB_RGB_COLORS), 0);
    EXPECT_EQ(CountColor(dc.get(), kWhite), 4);
}

TEST(DeviceClipping, SourceAndSurfaceEdgesCutTheDrawing) {
    TestDib dib(4, 4, 24);
    dib.FillCoordinates();
    Dc dc = MakeDc(4, 4);
    // A source rectangle reaching past every side of the DIB, 1:1 onto the surface.
    EXPECT_EQ(StretchDIBits(dc.get(), 0, 0, 8, 8, -2, -2, 8, 8, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 8);
    EXPECT_EQ(GetDCPixel(dc.get(), 0, 0), kWhite);    // source (-2, 5): outside
    EXPECT_EQ(GetDCPixel(dc.get(), 2, 2), At(0, 3));  // source (0, 3)
    EXPECT_EQ(GetDCPixel(dc.get(), 3, 3), At(1, 2));
    EXPECT_EQ(GetDCPixel(dc.get(), 1, 3), kWhite);
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
    StretchDIBits(dc.get(), 0, 0, 1, 1, 0, 0, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    StretchDIBits(dc.get(), 0, 0, 1, 1, 0, 0, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    DeviceCallCounts n = GetDeviceCallCounts(dc.get());
    EXPECT_EQ(n.setDIBitsToDevice, 1u);
    EXPECT_EQ(n.stretchDIBits, 2u);
    ResetDeviceCallCounts(dc.get());
    EXPECT_EQ(GetDeviceCallCounts(dc.get()).stretchDIBits, 0u);
}

}  // namespace
