// Single pixels as colour-table indices or colour values, and the nearest
// colour-table entry to a colour.
#include "velmora/newdibobject.h"

#include "platform/dib_geometry.h"
#include "storage/pixel_unpack.h"

namespace {

constexpr unsigned long kNoColor = 0xFF000000;

bool Inside(int x, int y, int width, int height) { return x >= 0 && x < width && y >= 0 && y < height; }

// The index depths pixel access serves: 1, 2, 4 and 8 bits.
bool PackedDepth(int bits) { return bits >= 1 && bits <= 8 && 8 % bits == 0; }

// Blue, green, red bytes as a host-order colour (red low).
int BgrAsHostOrder(const BYTE* p) { return p[2] | (p[1] << 8) | (p[0] << 16); }

int Square(int v) { return v * v; }

}  // namespace

int CNewDIBObject::GetPixelIndex(int x, int y) {
    if (!Inside(x, y, m_nWidth, m_nHeight)) return -1;
    const int bits = m_nBitCount;
    if (!PackedDepth(bits) && bits != 24 && bits != 32) return -1;
    BYTE* row = GetDIBRow(y);
    if (!row) return -1;
    if (bits <= 8) return velmora::pixels::IndexAt(row, x, bits);
    // Deeper pixels come back as a colour, read from the pixel's own bytes.
    return BgrAsHostOrder(row + static_cast<int64_t>(x) * (bits / 8));
}

int CNewDIBObject::SetPixelIndex(int x, int y, int index) {
    const int bits = m_nBitCount;
    // An index of more bits than a pixel holds would spill into its neighbours.
    if (!PackedDepth(bits) || index < 0 || index >= (1 << bits)) return 0;
    if (!Inside(x, y, m_nWidth, m_nHeight)) return 0;
    BYTE* row = GetDIBRow(y);
    if (!row) return 0;
    velmora::pixels::PutIndex(row, x, bits, index);
    return 1;
}

unsigned long CNewDIBObject::GetPixelRGB(int x, int y) {
    if (!Inside(x, y, m_nWidth, m_nHeight)) return kNoColor;
    const int bits = m_nBitCount;
    if (!(PackedDepth(bits) && m_pBitmapInfo) && bits != 24) return kNoColor;
    BYTE* row = GetDIBRow(y);
    if (!row) return kNoColor;
    if (bits == 24) {
        const BYTE* p = row + static_cast<int64_t>(x) * 3;
        return p[0] | (p[1] << 8) | (static_cast<unsigned long>(p[2]) << 16);
    }
    const RGBQUAD& entry = velmora::ColorTableOf(m_pBitmapInfo)[velmora::pixels::IndexAt(row, x, bits)];
    return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

int CNewDIBObject::SetPiexlRGB(int x, int y, unsigned long color) {
    if (!Inside(x, y, m_nWidth, m_nHeight)) return 0;
    if (m_nBitCount <= 8) return SetPixelIndex(x, y, MatchRGBIndex(color));
    if (m_nBitCount != 24) return 0;
    BYTE* row = GetDIBRow(y);
    if (!row) return 0;
    BYTE* p = row + static_cast<int64_t>(x) * 3;
    p[0] = static_cast<BYTE>(color & 0xFF);
    p[1] = static_cast<BYTE>((color >> 8) & 0xFF);
    p[2] = static_cast<BYTE>((color >> 16) & 0xFF);
    return 1;
}

int CNewDIBObject::MatchRGBIndex(unsigned long color) {
    if (m_nBitCount < 1 || m_nBitCount > 8 || !m_pBitmapInfo) return -1;
    const int red = static_cast<int>(color & 0xFF);
    const int green = static_cast<int>((color >> 8) & 0xFF);
    const int blue = static_cast<int>((color >> 16) & 0xFF);
    const RGBQUAD* table = velmora::ColorTableOf(m_pBitmapInfo);
    int best = 0x800000;  // above any distance, so entry 0 is always a candidate
    int result = 0;
    for (int i = 0; i < velmora::ColorEntries(m_nBitCount); i++) {
        int d = Square(red - table[i].rgbRed) + Square(green - table[i].rgbGreen) + Square(blue - table[i].rgbBlue);
        if (d < best) {
            best = d;
            result = i;
        }
    }
    return result;
}

int CNewDIBObject::GetPaletteSize() {
    return m_nBitCount >= 1 && m_nBitCount <= 8 ? static_cast<int>(sizeof(RGBQUAD)) << m_nBitCount : 0;
}
