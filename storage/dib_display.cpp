// Drawing an image on a device context, and its transparent colours.
#include <cstring>

#include "storage/dib_display_util.h"
#include "velmora/devicecontext.h"
#include "velmora/newdibobject.h"

namespace {

// Transparent entries turn white, the others take the show colour (when it is
// in use) or keep their own, so that an AND with the surface lets the surface
// show through the transparent colours.
void MaskColorTable(RGBQUAD* table, int count, const CDWordArray& transparent, bool useShowColor, COLORREF show) {
    for (int i = 0; i < count; ++i) {
        RGBQUAD& q = table[i];
        const DWORD color = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
        bool listed = false;
        for (int k = 0; k < transparent.GetSize() && !listed; ++k) listed = transparent[k] == color;
        if (listed) {
            q.rgbRed = q.rgbGreen = q.rgbBlue = 255;
        } else if (useShowColor) {
            q.rgbRed = GetRValue(show);
            q.rgbGreen = GetGValue(show);
            q.rgbBlue = GetBValue(show);
        }
    }
}

}  // namespace

int CNewDIBObject::DrawDIB(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                           unsigned long rop) {
    if (!Ready()) return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    if (!m_bTransed || m_TransClrs.IsEmpty()) {
        if (rop == SRCCOPY && wDest == wSrc && hDest == hSrc) return BltDIB(dc, xDest, yDest, wDest, hDest, xSrc, ySrc);
        return StretchDIB(dc, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, rop);
    }
    // The colour table is patched for the one call and put back afterwards;
    // images above 8 bits have none and are drawn with SRCAND as they are.
    const int count = velmora::ColorEntries(m_nBitCount);
    RGBQUAD* table = velmora::ColorTableOf(m_pBitmapInfo);
    RGBQUAD saved[256];
    std::memcpy(saved, table, sizeof(RGBQUAD) * static_cast<size_t>(count));
    MaskColorTable(table, count, m_TransClrs, m_bShowColorValid != 0, m_clrTransShow);
    StretchDIB(dc, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, SRCAND);
    std::memcpy(table, saved, sizeof(RGBQUAD) * static_cast<size_t>(count));
    return 1;
}

void CNewDIBObject::AddTransClr(unsigned long color) {
    const DWORD value = static_cast<DWORD>(color);
    for (int i = 0; i < m_TransClrs.GetSize(); ++i)
        if (m_TransClrs[i] == value) return;
    m_TransClrs.Add(value);
}

void CNewDIBObject::ClearTransClr() { m_TransClrs.RemoveAll(); }

int CNewDIBObject::GetTransClrs(unsigned long*) { return 0; }
