// The PCX file layout: a 128-byte header, run-length coded scan lines from
// the top row down (each line holds its planes one after another, BPL bytes
// each, plane 0 first), and for 8-bit files a 769-byte colour trailer (0x0C
// and 256 red-green-blue triplets) at the very end. Numbers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velmora/wintypes.h"

namespace velmora::pcx {

constexpr size_t kHeaderBytes = 128;
constexpr BYTE kManufacturer = 0x0A;
constexpr BYTE kRunLengthEncoding = 1;
constexpr BYTE kTrailerMarker = 0x0C;
constexpr size_t kTrailerBytes = 1 + 256 * 3;
constexpr size_t kHeaderPaletteAt = 16;
// Xmax, Ymax and BPL are 16-bit fields.
constexpr int kMaxDimension = 65535;

// How a file's scan lines become rows of the image.
enum class Route {
    kPacked,       // 1 plane of 1, 2, 4 or 8 bits: the line is the row
    kBitPlanes,    // 2, 3 or 4 planes of 1 bit, merged into nibbles
    kThreePlanes,  // 3 planes of 8 bits, merged into blue-green-red pixels
};

// What a header describes, once CheckHeader accepted it.
struct Layout {
    int width = 0;
    int height = 0;
    int bitCount = 0;         // the image's: planes * bits per pixel, 4 for 2 or 3 bit planes
    int planes = 0;
    size_t planeBytes = 0;    // BPL
    size_t lineBytes = 0;     // BPL * planes, one decoded scan line
    Route route = Route::kPacked;
    uint64_t dataBytes = 0;   // coded bytes after the header (trailer excluded)
    LONG xPelsPerMeter = 0;
    LONG yPelsPerMeter = 0;
};

// Checks a header against itself and the file's length before any storage
// is made for it: null when the file can be read (and *layout filled), else
// the failure text.
const char* CheckHeader(const BYTE (&header)[kHeaderBytes], uint64_t fileLength, Layout* layout);

// The colour table of 2^bitCount entries (bit counts 1, 2 and 4) from the
// header's triplets; a two-colour table whose entries are nearly alike reads
// as black and white.
void HeaderColorTable(const BYTE (&header)[kHeaderBytes], int bitCount, RGBQUAD* table);
// 256 entries from the trailer's triplets (after its marker).
void TrailerColorTable(const BYTE* triplets, RGBQUAD* table);

// How an image of bit count 1, 4, 8 or 24 is written: 1-bit and 8-bit
// images as one plane, 4-bit ones as four 1-bit planes, 24-bit ones as
// three 8-bit planes (red, green, blue). A line of one plane takes the
// smallest even number of bytes that holds the width (the format's
// convention, not the DIB's four-byte stride); planes of several take
// exactly the width's bytes, as ppmtopcx writes them, since Pillow reads
// each plane as exactly that long.
struct WrittenLayout {
    int planes = 1;
    int bitsPerPixel = 1;
    size_t planeBytes = 0;  // BPL
    size_t LineBytes() const { return planeBytes * static_cast<size_t>(planes); }
};
WrittenLayout LayoutWritten(int width, int bitCount);

// The header written for an image of bit count 1, 4, 8 or 24 (its BPL must
// fit 16 bits).
void BuildHeader(const BITMAPINFOHEADER& info, const RGBQUAD* table, const WrittenLayout& layout,
                 BYTE (&header)[kHeaderBytes]);
// The trailer for an 8-bit image's colour table.
void BuildTrailer(const RGBQUAD* table, BYTE (&trailer)[kTrailerBytes]);

}  // namespace velmora::pcx
