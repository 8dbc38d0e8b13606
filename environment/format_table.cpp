// The one table of file formats. A new format is one row here (and its
// read/save pair in document/codec_table.cpp, where the codecs are visible).
#include <strings.h>

#include <cstring>
#include <initializer_list>

#include "environment/texts.h"
#include "velmora/environment.h"
#include "velmora/formats.h"

namespace velmora {

namespace {

bool Starts(const unsigned char* head, size_t n, const char* mark, size_t length) {
    return n >= length && std::memcmp(head, mark, length) == 0;
}

bool IsBmp(const unsigned char* b, size_t n) { return Starts(b, n, "BM", 2); }
bool IsGif(const unsigned char* b, size_t n) { return Starts(b, n, "GIF8", 4); }
bool IsJpeg(const unsigned char* b, size_t n) { return Starts(b, n, "\xFF\xD8\xFF", 3); }
bool IsPng(const unsigned char* b, size_t n) { return Starts(b, n, "\x89PNG\r\n\x1A\n", 8); }

// Classic TIFF (42) and BigTIFF (43), either byte order.
bool IsTiff(const unsigned char* b, size_t n) {
    return n >= 4 && ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
                      (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43)));
}

// PCX has a one-byte mark: manufacturer 10, a version PCX has (0, 2, 3, 4,
// 5), and run-length coding, the only coding its reader takes.
bool IsPcx(const unsigned char* b, size_t n) { return n >= 3 && b[0] == 0x0A && b[1] <= 5 && b[1] != 1 && b[2] == 1; }

constexpr DepthSet Depths(std::initializer_list<int> bits) {
    DepthSet set = 0;
    for (int b : bits) set |= Depth(b);
    return set;
}

// In format-code order. Signatures are tried in this order; PCX's one-byte
// mark is weak, but no other row's signature starts with 0x0A.
const FileFormat kFormats[] = {
    {DIBTYPE_BMP, "BMP", "BMP", "", 0, text::kBitmapFiles, IsBmp, Depths({1, 2, 4, 8, 16, 24, 32}),
     Depths({1, 2, 4, 8, 16, 24, 32}), "bpw",
     "1, 2, 4, 8, 16, 24 and 32-bit; RLE4 and RLE8; OS/2, V4 and V5 headers; top-down rows",
     "1, 4, 8, 16, 24 and 32-bit (2-bit as 4-bit)"},
    {DIBTYPE_TIF, "TIFF", "TIF", "tiff", 4, text::kTiffFiles, IsTiff, Depths({1, 2, 3, 4, 5, 6, 7, 8, 24, 32}),
     Depths({1, 2, 4, 8, 24, 32}), "tfw",
     "1-8-bit grey and palette, RGB (alpha dropped), CMYK/Lab/YCbCr to 24-bit, 9-64-bit and float samples to 8; "
     "strips, tiles, planes; BigTIFF; the first image",
     "1-8-bit, 24 and 32-bit; none, Deflate, LZW or JPEG; BigTIFF past 4 GiB"},
    {DIBTYPE_PCX, "PCX", "PCX", "", 3, text::kPcxFiles, IsPcx, Depths({1, 4, 8, 24}), Depths({1, 4, 8, 24}), "pcxw",
     "1, 2, 4 (packed or planes), 8 and 24-bit", "1, 4, 8 and 24-bit"},
    {DIBTYPE_GIF, "GIF", "GIF", "", 1, text::kGifFiles, IsGif, Depths({8}), Depths({8}), "gfw",
     "the first image, interlaced or not, as 8-bit", "8-bit (the tool reduces deeper images first)"},
    {DIBTYPE_JPG, "JPEG", "JPG", "jpeg", 2, text::kJpgFiles, IsJpeg, Depths({1, 4, 8, 24}), Depths({1, 4, 8, 24}),
     "jgw", "greyscale (8-bit), colour and CMYK/YCCK (24-bit); baseline and progressive",
     "24-bit, and 1, 4 and 8-bit through their colour tables"},
    {DIBTYPE_PNG, "PNG", "PNG", "", 5, text::kPngFiles, IsPng, Depths({1, 2, 4, 8, 24, 32}),
     Depths({1, 2, 4, 8, 24, 32}), "pgw", "every colour type and depth (16-bit samples to 8; alpha as 32-bit); interlaced",
     "1, 2, 4 and 8-bit palette, 24-bit RGB, 32-bit RGBA"},
};
constexpr int kFormatCount = static_cast<int>(sizeof kFormats / sizeof kFormats[0]);
static_assert(kFormatCount == DIBTYPE_NONE, "one row per format code; DIBTYPE_NONE follows the last");

}  // namespace

const FileFormat* FileFormats() { return kFormats; }
int FileFormatCount() { return kFormatCount; }
const FileFormat* FileFormatOf(int code) { return code >= 0 && code < kFormatCount ? &kFormats[code] : nullptr; }

int FormatOfName(const char* name) {
    if (!name) return -1;
    if (*name == '.') ++name;
    for (const FileFormat& f : kFormats)
        if (strcasecmp(name, f.extension) == 0 || (*f.alias && strcasecmp(name, f.alias) == 0)) return f.code;
    return -1;
}

int FormatOfPathExtension(const char* path) {
    if (!path) return -1;
    const char* dot = std::strrchr(path, '.');
    const char* slash = std::strrchr(path, '/');
    const char* backslash = std::strrchr(path, '\\');
    if (!dot || (slash && dot < slash) || (backslash && dot < backslash)) return -1;
    return FormatOfName(dot + 1);
}

int FormatOfSignature(const unsigned char* head, size_t n) {
    for (const FileFormat& f : kFormats)
        if (f.signature(head, n)) return f.code;
    return -1;
}

}  // namespace velmora
