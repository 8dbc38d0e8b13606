// GBK conversion through iconv.
#include "velmora/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace {

// Converts as much of [*in, *in + *inLeft) as it can, appending to `out`.
// Returns false when iconv stopped at a byte it cannot convert.
bool ConvertRun(iconv_t cd, char** in, size_t* inLeft, std::string* out) {
    char buffer[1024];
    while (*inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof(buffer);
        size_t done = iconv(cd, in, inLeft, &dst, &dstLeft);
        out->append(buffer, static_cast<size_t>(dst - buffer));
        if (done != static_cast<size_t>(-1)) continue;
        if (errno != E2BIG) return false;
    }
    return true;
}

// Writes the converter's closing shift sequence, if its charset has one.
void FinishRun(iconv_t cd, std::string* out) {
    char buffer[64];
    char* dst = buffer;
    size_t dstLeft = sizeof(buffer);
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out->append(buffer, static_cast<size_t>(dst - buffer));
}

// Bytes to skip past a character that cannot be converted: a lead byte and a
// plausible trail byte go together, anything else alone.
size_t CharacterLength(const char* text, size_t left) {
    unsigned char lead = static_cast<unsigned char>(text[0]);
    if (left < 2 || lead < 0x81 || lead > 0xFE) return 1;
    unsigned char trail = static_cast<unsigned char>(text[1]);
    return (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) ? 2 : 1;
}

}  // namespace

std::string ConvertGbk(const char* gbk, const char* toCharset) {
    if (!gbk) return std::string();
    if (!toCharset || !*toCharset) return std::string(gbk);
    iconv_t cd = iconv_open(toCharset, "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(gbk);
    std::string out;
    char* in = const_cast<char*>(gbk);
    size_t inLeft = std::strlen(gbk);
    while (!ConvertRun(cd, &in, &inLeft, &out)) {
        // An invalid, truncated or unrepresentable character: replace it and go on.
        size_t skip = CharacterLength(in, inLeft);
        out += '?';
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    FinishRun(cd, &out);
    iconv_close(cd);
    return out;
}

std::string GbkToUtf8(const char* gbk) { return ConvertGbk(gbk, "UTF-8"); }
