#include "tools/file_kind.h"

#include "velmora/environment.h"
#include "velmora/formats.h"

namespace velmora::cli {

namespace {

// The extension as the library sees it: the path's last three characters,
// upper case.
std::string LastThree(const std::string& path) {
    std::string tail = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    for (char& c : tail) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return tail;
}

bool LibraryKnows(const std::string& path) {
    const std::string tail = LastThree(path);
    for (int code = DIBTYPE_BMP; code < DIBTYPE_NONE; ++code)
        if (GetDIBExt(code) == CString(("*." + tail).c_str())) return true;
    return false;
}

}  // namespace

// A FIFO or a folder names no format (the library then says why it cannot read it).
int SniffFormat(const std::string& path) {
    int err = 0;
    const int format = FormatOfContent(path.c_str(), &err);
    return format >= 0 ? format : -1;
}

int InputFormat(const std::string& path) { return LibraryKnows(path) ? -1 : SniffFormat(path); }

int SaveFormatFor(const std::string& path, int format) {
    if (format >= 0) return format;
    return LibraryKnows(path) ? -1 : FormatOfPathExtension(path.c_str());
}

}  // namespace velmora::cli
