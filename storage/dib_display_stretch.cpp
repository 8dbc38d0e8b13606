// Stretched drawing: in memory one device call over the whole pixel block; in
// a page file the current row window first, then the rest window by window,
// each window drawn into a band of destination rows that starts where the
// previous band ended.
#include <algorithm>

#include "storage/dib_display_util.h"
#include "velmora/devicecontext.h"
#include "velmora/newdibobject.h"

using velmora::display::ClampToInt;
using velmora::display::RoundToInt;
using velmora::display::RowSpan;

namespace {

// Where source row d of a request starts in the destination. Every band edge
// of one drawing comes from this one rule, so bands meet without a gap or an
// overlap whichever windows the rows are drawn from.
struct BandEdges {
    int64_t yDest;
    int64_t ySrc;
    double scale;  // destination rows per source row
    int64_t At(int64_t d) const { return yDest + RoundToInt(static_cast<double>(d - ySrc) * scale); }
};

}  // namespace

int CNewDIBObject::StretchDIB(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc,
                              int hSrc, unsigned long rop) {
    if (!Ready()) return 0;
    const int64_t bottom = static_cast<int64_t>(ySrc) + hSrc;  // the bottom-up origin is measured from it
    if (!m_bMapped) {
        return StretchDIBits(dc, xDest, yDest, wDest, hDest, xSrc, ClampToInt(m_nHeight - bottom), wSrc, hSrc, m_pBits,
                             GetBitmapInfo(), DIB_RGB_COLORS, static_cast<DWORD>(rop));
    }
    if (wSrc == 0 || hSrc == 0) return 0;  // nothing to copy, as the device would answer
    // A source rectangle upside down is the same as the destination upside down.
    int64_t top = ySrc, rowsSrc = hSrc, yTo = yDest, rowsTo = hDest;
    if (rowsSrc < 0) {
        top += rowsSrc;
        rowsSrc = -rowsSrc;
        yTo += rowsTo;
        rowsTo = -rowsTo;
    }
    const RowSpan rows = velmora::display::ClipRows(top, rowsSrc, m_nHeight);
    if (rows.Empty()) return 1;
    const RowSpan win = velmora::display::MappedRows(m_nWinFirst, m_nWinEnd, m_nWinRows > 0 && m_pBits);
    if (velmora::display::Holds(win, rows)) {
        m_pBitmapInfo->bmiHeader.biHeight = m_nWinRows;
        return StretchDIBits(dc, xDest, yDest, wDest, hDest, xSrc, ClampToInt(win.end - bottom), wSrc, hSrc, m_pBits,
                             m_pBitmapInfo, DIB_RGB_COLORS, static_cast<DWORD>(rop));
    }
    const BandEdges edge{yTo, top, static_cast<double>(rowsTo) / static_cast<double>(rowsSrc)};
    // The part the window holds, drawn without remapping.
    const int64_t overlapFirst = std::max(rows.first, win.first);
    const int64_t overlapEnd = std::min(win.end, rows.end);
    if (!win.Empty() && overlapFirst < overlapEnd) {
        m_pBitmapInfo->bmiHeader.biHeight = m_nWinRows;
        const int64_t y0 = edge.At(overlapFirst);
        if (!StretchDIBits(dc, xDest, ClampToInt(y0), wDest, ClampToInt(edge.At(overlapEnd) - y0), xSrc,
                           ClampToInt(win.end - overlapEnd), wSrc, static_cast<int>(overlapEnd - overlapFirst), m_pBits,
                           m_pBitmapInfo, DIB_RGB_COLORS, static_cast<DWORD>(rop)))
            return 0;
    }
    // Rows [first, end) through successive windows, into exactly the band
    // [edge(first), edge(end)).
    auto drawPart = [&](int64_t first, int64_t end) {
        const int64_t y0 = edge.At(first);
        const double scale = static_cast<double>(edge.At(end) - y0) / static_cast<double>(end - first);
        return StretchBlock(dc, xDest, ClampToInt(y0), wDest, scale, xSrc, static_cast<int>(first), wSrc,
                            static_cast<int>(end - first), rop);
    };
    if (rows.first < win.first && !drawPart(rows.first, std::min(win.first, rows.end))) return 0;
    if (win.end < rows.end && !drawPart(std::max(win.end, rows.first), rows.end)) return 0;
    return 1;
}

int CNewDIBObject::StretchBlock(HDC dc, int xDest, int yDest, int wDest, double scale, int xSrc, int ySrc, int wSrc,
                                int hSrc, unsigned long rop) {
    const int64_t bottom = static_cast<int64_t>(ySrc) + hSrc;
    int64_t y0 = yDest;
    for (int64_t d = ySrc; d < bottom;) {
        int64_t below = 0;
        const int64_t n = MapDrawBand(d, bottom, &below);
        if (n <= 0) return 0;
        d += n;
        const int64_t y1 = yDest + RoundToInt(static_cast<double>(d - ySrc) * scale);
        if (!StretchDIBits(dc, xDest, ClampToInt(y0), wDest, ClampToInt(y1 - y0), xSrc, static_cast<int>(below), wSrc,
                           static_cast<int>(n), m_pBits, m_pBitmapInfo, DIB_RGB_COLORS, static_cast<DWORD>(rop)))
            return 0;
        y0 = y1;
    }
    return 1;
}
