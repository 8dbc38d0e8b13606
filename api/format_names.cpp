#include "api/format_names.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "environment/file_types.h"
#include "velmora/environment.h"

namespace velmora::api {

namespace {

struct Signature {
    const char* bytes;
    size_t length;
    int format;
};

// PCX has a one-byte mark only: it is checked last, with its version byte.
const Signature kSignatures[] = {
    {"BM", 2, DIBTYPE_BMP},          {"II*\0", 4, DIBTYPE_TIF},         {"MM\0*", 4, DIBTYPE_TIF},
    {"GIF8", 4, DIBTYPE_GIF},        {"\xFF\xD8\xFF", 3, DIBTYPE_JPG},  {"\x89PNG\r\n\x1A\n", 8, DIBTYPE_PNG},
};

bool LooksLikePcx(const unsigned char* head, size_t n) {
    return n >= 4 && head[0] == 0x0A && head[1] <= 5 && head[2] <= 1;
}

}  // namespace

int FormatFromContent(const std::string& path, int* err) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        *err = errno;
        return -2;
    }
    unsigned char head[8] = {};
    const size_t n = std::fread(head, 1, sizeof head, file.get());
    if (std::ferror(file.get())) {
        *err = errno ? errno : EIO;
        return -2;
    }
    for (const Signature& s : kSignatures)
        if (n >= s.length && std::memcmp(head, s.bytes, s.length) == 0) return s.format;
    return LooksLikePcx(head, n) ? DIBTYPE_PCX : -1;
}

int FormatFromName(const std::string& name) {
    std::string upper;
    for (char c : name.substr(!name.empty() && name[0] == '.' ? 1 : 0))
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "JPEG") upper = "JPG";
    if (upper == "TIFF") upper = "TIF";
    return upper.empty() ? -1 : FormatCodeOf(upper.c_str());
}

int FormatFromPath(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return -1;
    return FormatFromName(path.substr(dot + 1));
}

}  // namespace velmora::api
