// The Windows bitmap file layout: a 14-byte file header, an information
// header of biSize bytes, a colour table for up to 8 bits, and the pixel
// rows, bottom row first (top row first when the height is negative), each
// padded to a multiple of 4 bytes.
//
// Information headers read: 40 bytes and longer (V2 to V5: bit-field masks
// at offset 40), the OS/2 1.x core header of 12 bytes (16-bit sizes, colour
// entries of three bytes) and OS/2 2.x headers of 16 to 64 bytes (the 40-byte
// fields, as far as the header goes; compression 3 and 4 are OS/2's Huffman
// and RLE24 there, not bit fields).
#pragma once

#include <cstddef>
#include <cstdint>

#include "velmora/wintypes.h"

namespace velmora::bmp {

constexpr WORD kSignature = 0x4D42;  // "BM"
constexpr size_t kFileHeaderBytes = sizeof(BITMAPFILEHEADER);
constexpr size_t kInfoHeaderBytes = sizeof(BITMAPINFOHEADER);
constexpr size_t kCoreHeaderBytes = sizeof(BITMAPCOREHEADER);
// The longest header whose fields are read (V5); longer ones are read that far.
constexpr size_t kLongestHeaderBytes = 124;
constexpr DWORD kAlphaBitFields = 6;  // BI_ALPHABITFIELDS: four masks after a 40-byte header
// Run-length data may be tiny (one end-of-bitmap escape codes any picture),
// so its length says nothing about an ordinary image. Only a header that asks
// for more than kUncheckedRunLengthBytes of pixels must come with at least
// 1/kMaxRunLengthExpansion of them in data, so that a few bytes cannot make
// the reader reserve a huge page file.
constexpr uint64_t kUncheckedRunLengthBytes = uint64_t{256} << 20;
constexpr uint64_t kMaxRunLengthExpansion = 256;

// A file's information header in the plain 40-byte form, with what its own
// form adds.
struct InfoHeader {
    BITMAPINFOHEADER info{};
    DWORD headerBytes = 0;    // biSize as stored
    bool core = false;        // OS/2 1.x: colour entries of three bytes
    bool os2 = false;         // OS/2 1.x or 2.x
    DWORD masks[4] = {};      // red, green, blue, alpha (bit fields)
    size_t masksAfter = 0;    // mask bytes stored after a 40-byte header
};

// The header's fields from the `got` bytes at `raw` (biSize first). Null
// when they can be read, else the failure text.
const char* ParseInfoHeader(const BYTE* raw, size_t got, InfoHeader* header);
// Bit-field masks stored after a 40-byte header, `count` of them.
void TakeMasks(const BYTE* raw, size_t count, InfoHeader* header);

// How a file's rows become the image's.
enum class Route {
    kRows,       // uncompressed rows as they are
    kRunLength,  // RLE8 or RLE4
    kBitFields,  // 16- or 32-bit pixels through masks
};

// The pixel data a file's headers describe, once they passed CheckLayout.
struct Layout {
    int width = 0;
    int rows = 0;  // |biHeight|
    bool topDown = false;
    int bitCount = 0;             // the file's
    int imageBits = 0;            // the image's (24 for bit-field 16-bit pixels)
    Route route = Route::kRows;
    DWORD compression = BI_RGB;
    size_t stride = 0;            // the file's rows
    uint64_t dataBytes = 0;       // stride * rows
    uint64_t colorTableAt = 0;    // file offset of the colour table
    int colorEntries = 0;         // 2^bitCount up to 8 bits, else 0
    int entryBytes = 4;           // 3 for OS/2 1.x
    int entriesInFile = 0;        // entries read from the file (the rest black)
    DWORD masks[4] = {};
};

// Checks the headers against each other and against the file's length before
// any storage is made for them; null when the file can be read (and *layout
// filled), else the failure text.
const char* CheckLayout(const InfoHeader& header, uint64_t offBits, uint64_t fileLength, Layout* layout);

// The file header written before an image's header and colour table.
BITMAPFILEHEADER FileHeaderFor(uint64_t dataBytes, int colorEntries);

}  // namespace velmora::bmp
