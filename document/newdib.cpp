// CNewDIB: constructors, names and the colour table in the host's order.
#include "velmora/newdib.h"

#include <cstddef>
#include <cstring>

#include "platform/dib_geometry.h"
#include "velmora/environment.h"

using velmora::ColorTableOf;

namespace {

unsigned long HostColor(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }

RGBQUAD QuadOf(unsigned long color) {
    COLORREF c = static_cast<COLORREF>(color);
    return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
}

}  // namespace

CNewDIB::CNewDIB() : m_hProgressWnd(nullptr), m_nFileFormat(DIBTYPE_NONE), m_nGrayProp(0) {}

CNewDIB::CNewDIB(const CNewDIB* src) : CNewDIB() {
    if (src) CopyDIB(const_cast<CNewDIB*>(src));
}

CNewDIB::CNewDIB(const CBitmap*) : CNewDIB() {}

CNewDIB::CNewDIB(int width, int height, int bitCount) : CNewDIB() { CreateDIB(width, height, bitCount); }

CNewDIB::~CNewDIB() = default;

int CNewDIB::CopyDIB(CNewDIB* src) {
    if (!src) return 0;
    // A copy of itself is itself; copying would release the source first.
    if (src == this) return 1;
    if (!CopyDIBObject(src)) return 0;
    m_strFileName = src->m_strFileName;
    m_nFileFormat = src->m_nFileFormat;
    m_nGrayProp = src->m_nGrayProp;
    m_metadata = src->m_metadata;
    m_nOrientation = src->m_nOrientation;
    return 1;
}

int CNewDIB::SetFileName(CString name) {
    m_strFileName = name;
    return 1;
}

int CNewDIB::Inside(int x, int y) { return Ready() && x >= 0 && x < m_nWidth && y >= 0 && y < m_nHeight; }

RGBQUAD* CNewDIB::GetRGBQuad(int* count) {
    int n = m_pBitmapInfo ? velmora::ColorEntries(m_nBitCount) : 0;
    if (count) *count = n;
    return n ? ColorTableOf(m_pBitmapInfo) : nullptr;
}

unsigned long* CNewDIB::GetColorTable(int* count) {
    int n = 0;
    RGBQUAD* quads = GetRGBQuad(&n);
    if (count) *count = n;
    if (!quads) return nullptr;
    unsigned long* colors = new unsigned long[n];
    for (int i = 0; i < n; ++i) colors[i] = HostColor(quads[i]);
    return colors;
}

int CNewDIB::GetColorTable(unsigned long* values) {
    int n = 0;
    RGBQUAD* quads = GetRGBQuad(&n);
    if (!quads || !values) return -1;
    for (int i = 0; i < n; ++i) values[i] = HostColor(quads[i]);
    return n;
}

int CNewDIB::SetColorTable(int count, unsigned long* values) {
    if (!Ready()) return 0;
    int n = 0;
    RGBQUAD* quads = GetRGBQuad(&n);
    if (!quads || count < 0 || count > 256 || count > n || (count > 0 && !values)) return 0;
    for (int i = 0; i < count; ++i) quads[i] = QuadOf(values[i]);
    return 1;
}

int CNewDIB::GetColorNumber() { return Ready() ? velmora::ColorEntries(m_nBitCount) : 0; }

BITMAPINFOHEADER* CNewDIB::GetBitmapInfoHeader() {
    BITMAPINFO* info = GetBitmapInfo();
    return info ? &info->bmiHeader : nullptr;
}

int CNewDIB::Resize(CSize, unsigned long) { return 0; }

BYTE* CNewDIB::GetDIB() { return Ready() ? reinterpret_cast<BYTE*>(GetBitmapInfo()) : nullptr; }

WORD CNewDIB::DIBNumColors(BYTE* header) {
    if (!header) return 0;
    WORD bitCount = 0;  // the header may sit at any address
    std::memcpy(&bitCount, header + offsetof(BITMAPINFOHEADER, biBitCount), sizeof bitCount);
    return bitCount <= 8 ? static_cast<WORD>(1u << bitCount) : 0;
}

WORD CNewDIB::PaletteSize(BYTE* header) { return static_cast<WORD>(DIBNumColors(header) * 4); }
