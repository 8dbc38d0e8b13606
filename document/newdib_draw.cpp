// CNewDIB's rectangle-based drawing front ends.
#include "storage/dib_display_util.h"
#include "velmora/devicecontext.h"
#include "velmora/newdib.h"

int CNewDIB::DrawDIB(CDC* dc, RECT* dst, RECT* src, unsigned long rop) {
    if (!dc) return 0;
    return DrawDIB(dc->GetSafeHdc(), dst, src, rop);
}

int CNewDIB::DrawDIB(HDC dc, RECT* dst, RECT* src, unsigned long rop) {
    if (!dst || !src) return 0;
    using velmora::display::ClampToInt;
    // Extents of hostile rectangles would overflow an int.
    const int wDest = ClampToInt(static_cast<int64_t>(dst->right) - dst->left);
    const int hDest = ClampToInt(static_cast<int64_t>(dst->bottom) - dst->top);
    const int wSrc = ClampToInt(static_cast<int64_t>(src->right) - src->left);
    const int hSrc = ClampToInt(static_cast<int64_t>(src->bottom) - src->top);
    return CNewDIBObject::DrawDIB(dc, dst->left, dst->top, wDest, hDest, src->left, src->top, wSrc, hSrc, rop);
}
