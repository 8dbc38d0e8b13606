#include "tools/file_kind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "velmora/environment.h"

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

bool EndsWithNoCase(const std::string& path, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = path[path.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

int FormatOfSignature(const unsigned char* b, size_t n) {
    if (n >= 8 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0) return DIBTYPE_PNG;
    if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return DIBTYPE_JPG;
    if (n >= 4 && std::memcmp(b, "GIF8", 4) == 0) return DIBTYPE_GIF;
    // Classic TIFF (42) and BigTIFF (43), either byte order.
    if (n >= 4 && ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
                   (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43))))
        return DIBTYPE_TIF;
    if (n >= 2 && b[0] == 'B' && b[1] == 'M') return DIBTYPE_BMP;
    // Manufacturer 10, a version PCX has (0, 2, 3, 4, 5), run-length coding.
    if (n >= 3 && b[0] == 0x0A && b[1] <= 5 && b[1] != 1 && b[2] == 1) return DIBTYPE_PCX;
    return -1;
}

}  // namespace

// A FIFO would make a plain open wait for a writer: regular files only.
int SniffFormat(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    unsigned char head[8] = {};
    const ssize_t got = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read(fd, head, sizeof head) : -1;
    close(fd);
    return got > 0 ? FormatOfSignature(head, static_cast<size_t>(got)) : -1;
}

int InputFormat(const std::string& path) { return LibraryKnows(path) ? -1 : SniffFormat(path); }

int SaveFormatFor(const std::string& path, int format) {
    if (format >= 0) return format;
    if (EndsWithNoCase(path, ".tiff")) return DIBTYPE_TIF;
    if (EndsWithNoCase(path, ".jpeg")) return DIBTYPE_JPG;
    return -1;
}

}  // namespace velmora::cli
