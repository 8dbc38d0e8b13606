// Taking paths apart and putting them together. Both "\" and "/" separate;
// searches go through CString's GBK-aware Find/ReverseFind, so the trail byte
// of a double-byte character (which may be 0x5C, "\") never splits a path.
#include "velmora/application.h"
#include "velmora/environment.h"

namespace {

// Position of the last "\" or "/", or -1.
int LastSeparator(const CString& path) {
    int backslash = path.ReverseFind('\\');
    int slash = path.ReverseFind('/');
    return backslash > slash ? backslash : slash;
}

bool HasChar(const CString& text, char ch) { return text.Find(ch) >= 0; }

bool IsSeparatorAt(const CString& text, int pos) {
    return pos >= 0 && pos < text.GetLength() && (text[pos] == '\\' || text[pos] == '/');
}

// The separator a path already uses: its last one; "/" for a path without
// any, since this platform's own paths use it.
char SeparatorOf(const CString& path) {
    int last = LastSeparator(path);
    return last >= 0 ? path[last] : '/';
}

// The separator for joining base and path: the base's own style, else the
// path's.
char JoinSeparator(const CString& base, const CString& path) {
    return LastSeparator(base) >= 0 ? SeparatorOf(base) : SeparatorOf(path);
}

// Everything before the last separator; empty when there is none.
CString CutAtLastSeparator(const CString& path) {
    int last = LastSeparator(path);
    return last >= 0 ? path.Left(last) : CString();
}

}  // namespace

// The name between the last separator and the last "."; empty when there is
// no "." after the separator.
CString GetFileName(CString path) {
    int start = LastSeparator(path) + 1;
    int dot = path.ReverseFind('.');
    return path.Mid(start, dot - start);
}

CString GetFileNameExt(CString path) { return path.Mid(LastSeparator(path) + 1); }

// The directory part without a trailing separator; for "C:name" the drive.
CString GetFilePath(CString path) {
    int n = LastSeparator(path);
    if (n < 0) n = path.ReverseFind(':') + 1;
    return path.Left(n);
}

CString GetAppName() { return AfxGetApp()->GetModuleFileName(); }

CString GetAppPath() { return GetFilePath(GetAppName()); }

// "Dic" beside the executable's directory: <parent of bin>\Dic.
CString GetDicPath() {
    CString app = GetAppName();
    CString parent = CutAtLastSeparator(CutAtLastSeparator(app));
    return parent + SeparatorOf(app) + "Dic";
}

// Paths with a drive (":"), relative references ("." or "..") and POSIX
// absolute paths come back unchanged; anything else is joined to the base.
// No separator is removed, so a base ending in one gives a doubled separator.
CString GetAbsolutePath(CString base, CString path) {
    if (path.IsEmpty()) return CString();
    if (HasChar(path, ':') || path[0] == '.' || path[0] == '/') return path;
    return base + JoinSeparator(base, path) + path;
}

// What follows the base and a separator, when the path starts with the base
// (letters compared without case); otherwise the path unchanged. Never
// produces "..".
CString GetOppositePath(CString base, CString path) {
    if (path.IsEmpty()) return CString();
    CString upperBase = base, upperPath = path;
    upperBase.MakeUpper();
    upperPath.MakeUpper();
    bool prefix = base.IsEmpty() || upperPath.Find(upperBase) == 0;
    if (prefix && IsSeparatorAt(upperPath, base.GetLength()))
        return path.Right(path.GetLength() - base.GetLength() - 1);
    return path;
}
