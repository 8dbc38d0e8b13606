// Unscaled drawing: in memory one device call over the whole pixel block; in
// a page file the current row window first, then the rest window by window.
#include <algorithm>

#include "storage/dib_display_util.h"
#include "velmora/devicecontext.h"
#include "velmora/newdibobject.h"

using velmora::display::ClampToInt;
using velmora::display::RowSpan;

int CNewDIBObject::BltDIB(HDC dc, int xDest, int yDest, int w, int h, int xSrc, int ySrc) {
    if (!Ready()) return 0;
    const int64_t bottom = static_cast<int64_t>(ySrc) + h;  // picture row past the request
    if (!m_bMapped) {
        return SetDIBitsToDevice(dc, xDest, yDest, static_cast<DWORD>(w), static_cast<DWORD>(h), xSrc,
                                 ClampToInt(m_nHeight - bottom), 0, static_cast<UINT>(m_nHeight), m_pBits,
                                 GetBitmapInfo(), DIB_RGB_COLORS);
    }
    // Only rows of the image are ever mapped; a request without any draws nothing.
    const RowSpan rows = velmora::display::ClipRows(ySrc, h, m_nHeight);
    if (rows.Empty()) return 1;
    const RowSpan win = velmora::display::MappedRows(m_nWinFirst, m_nWinEnd, m_nWinRows > 0 && m_pBits);
    if (velmora::display::Holds(win, rows)) {
        m_pBitmapInfo->bmiHeader.biHeight = m_nWinRows;
        return SetDIBitsToDevice(dc, xDest, yDest, static_cast<DWORD>(w), static_cast<DWORD>(h), xSrc,
                                 ClampToInt(win.end - bottom), 0, static_cast<UINT>(m_nWinRows), m_pBits, m_pBitmapInfo,
                                 DIB_RGB_COLORS);
    }
    // The part the window holds, drawn without remapping.
    const int64_t overlapFirst = std::max(rows.first, win.first);
    const int64_t overlapEnd = std::min(win.end, rows.end);
    if (!win.Empty() && overlapFirst < overlapEnd) {
        m_pBitmapInfo->bmiHeader.biHeight = m_nWinRows;
        if (!SetDIBitsToDevice(dc, xDest, ClampToInt(yDest + overlapFirst - ySrc), static_cast<DWORD>(w),
                               static_cast<DWORD>(overlapEnd - overlapFirst), xSrc, ClampToInt(win.end - overlapEnd), 0,
                               static_cast<UINT>(m_nWinRows), m_pBits, m_pBitmapInfo, DIB_RGB_COLORS))
            return 0;
    }
    // The parts of the request above and below the window.
    if (rows.first < win.first) {
        const int64_t end = std::min(win.first, rows.end);
        if (!BltBlock(dc, xDest, ClampToInt(yDest + rows.first - ySrc), xSrc, static_cast<int>(rows.first), w,
                      static_cast<int>(end - rows.first)))
            return 0;
    }
    if (win.end < rows.end) {
        const int64_t first = std::max(win.end, rows.first);
        if (!BltBlock(dc, xDest, ClampToInt(yDest + first - ySrc), xSrc, static_cast<int>(first), w,
                      static_cast<int>(rows.end - first)))
            return 0;
    }
    return 1;
}

int CNewDIBObject::BltBlock(HDC dc, int xDest, int yDest, int xSrc, int ySrc, int w, int h) {
    const int64_t bottom = static_cast<int64_t>(ySrc) + h;
    for (int64_t d = ySrc; d < bottom;) {
        int64_t below = 0;
        const int64_t n = MapDrawBand(d, bottom, &below);
        if (n <= 0) return 0;
        if (!SetDIBitsToDevice(dc, xDest, ClampToInt(yDest + d - ySrc), static_cast<DWORD>(w), static_cast<DWORD>(n),
                               xSrc, static_cast<int>(below), 0, static_cast<UINT>(m_nWinRows), m_pBits, m_pBitmapInfo,
                               DIB_RGB_COLORS))
            return 0;
        d += n;
    }
    return 1;
}
