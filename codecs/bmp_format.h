// The Windows bitmap file layout: a 14-byte file header, an information
// header of biSize bytes (40, or larger for the V4 and V5 forms), a colour
// table of 2^bitCount entries for up to 8 bits, and the pixel rows, bottom
// row first (top row first when the height is negative), each padded to a
// multiple of 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velmora/wintypes.h"

namespace velmora::bmp {

constexpr WORD kSignature = 0x4D42;  // "BM"
constexpr size_t kFileHeaderBytes = sizeof(BITMAPFILEHEADER);
constexpr size_t kInfoHeaderBytes = sizeof(BITMAPINFOHEADER);
// Run-length data may be tiny (one end-of-bitmap escape codes any picture),
// so its length says nothing about an ordinary image. Only a header that asks
// for more than kUncheckedRunLengthBytes of pixels must come with at least
// 1/kMaxRunLengthExpansion of them in data, so that a few bytes cannot make
// the reader reserve a huge page file.
constexpr uint64_t kUncheckedRunLengthBytes = uint64_t{256} << 20;
constexpr uint64_t kMaxRunLengthExpansion = 256;

// The pixel data a file's headers describe, once they passed CheckLayout.
struct Layout {
    int width = 0;
    int rows = 0;  // |biHeight|
    bool topDown = false;
    int bitCount = 0;
    DWORD compression = BI_RGB;
    size_t stride = 0;
    uint64_t dataBytes = 0;       // stride * rows, as stored in the image
    uint64_t colorTableAt = 0;    // file offset of the colour table
    int colorEntries = 0;         // 2^bitCount up to 8 bits, else 0
};

// Checks the headers against each other and against the file's length before
// any storage is made for them; null when the file can be read (and *layout
// filled), else the failure text.
const char* CheckLayout(const BITMAPINFOHEADER& info, uint64_t offBits, uint64_t fileLength, Layout* layout);

// The file header written before an image's header and colour table.
BITMAPFILEHEADER FileHeaderFor(uint64_t dataBytes, int colorEntries);

}  // namespace velmora::bmp
