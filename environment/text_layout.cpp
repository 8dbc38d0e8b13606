// Fixed-width text layout. Widths count bytes; the fill is the ASCII space.
#include <climits>

#include "velmora/environment.h"

namespace {

CString Spaces(int count) { return count > 0 ? CString(' ', count) : CString(); }

}  // namespace

// Empty for n <= 0, and also when the result would not fit a string's int
// length.
CString DupString(CString text, int n) {
    if (n <= 0 || text.IsEmpty()) return CString();
    if (static_cast<long long>(text.GetLength()) * n > INT_MAX) return CString();
    CString result;
    for (int i = 0; i < n; i++) result += text;
    return result;
}

CString GetLeftString(CString text, int width) {
    if (text.GetLength() >= width) return text;
    return text + Spaces(width - text.GetLength());
}

CString GetRightString(CString text, int width) {
    if (text.GetLength() >= width) return text;
    return Spaces(width - text.GetLength()) + text;
}

// An odd remainder puts the extra space on the right.
CString GetCenterString(CString text, int width) {
    if (text.GetLength() >= width) return text;
    int fill = width - text.GetLength();
    int left = fill / 2;
    return Spaces(left) + text + Spaces(fill - left);
}
