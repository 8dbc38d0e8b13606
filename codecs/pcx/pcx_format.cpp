#include "codecs/pcx/pcx_format.h"

#include <cstdlib>
#include <cstring>

#include "environment/texts.h"
#include "frame/endian.h"
#include "platform/dib_geometry.h"

namespace velmora::pcx {

namespace {

// A two-byte run item yields at most 63 bytes, so no coded data yields more
// than 32 times its size; a header that needs more is not describing the
// file that carries it, and is refused before its storage is made.
constexpr uint64_t kMaxExpansion = 32;
// Entries 0 and 1 of a two-colour table closer than this in every channel
// are taken for an unset table.
constexpr int kNearlyAlike = 20;

struct PlaneLayout {
    int planes;
    int bitsPerPixel;
    Route route;
    int imageBits;
};

// The layouts read, and the image each becomes. Two or three 1-bit planes
// (what ppmtopcx writes for up to 4 or 8 colours) become 4-bit images, the
// missing planes' bits 0. Anything else (2 × 2, four 8-bit planes...) is
// refused.
constexpr PlaneLayout kLayouts[] = {
    {1, 1, Route::kPacked, 1},    {1, 2, Route::kPacked, 2},    {1, 4, Route::kPacked, 4},
    {2, 1, Route::kBitPlanes, 4}, {3, 1, Route::kBitPlanes, 4}, {4, 1, Route::kBitPlanes, 4},
    {1, 8, Route::kPacked, 8},    {3, 8, Route::kThreePlanes, 24},
};

const PlaneLayout* FindLayout(int planes, int bitsPerPixel) {
    for (const PlaneLayout& layout : kLayouts)
        if (layout.planes == planes && layout.bitsPerPixel == bitsPerPixel) return &layout;
    return nullptr;
}

// dpi * 1000 in integers, the rest in double, truncated.
LONG PelsPerMeter(WORD dpi) { return static_cast<LONG>(static_cast<int>(dpi) * 1000 / 25.4 + 0.5); }
WORD DotsPerInch(LONG pelsPerMeter) { return static_cast<WORD>(static_cast<int>(pelsPerMeter * 25.4 / 1000 + 0.5)); }

RGBQUAD FromTriplet(const BYTE* rgb) { return RGBQUAD{rgb[2], rgb[1], rgb[0], 0}; }
void ToTriplet(const RGBQUAD& q, BYTE* rgb) {
    rgb[0] = q.rgbRed;
    rgb[1] = q.rgbGreen;
    rgb[2] = q.rgbBlue;
}

bool NearlyAlike(const RGBQUAD& a, const RGBQUAD& b) {
    return std::abs(a.rgbBlue - b.rgbBlue) < kNearlyAlike && std::abs(a.rgbGreen - b.rgbGreen) < kNearlyAlike &&
           std::abs(a.rgbRed - b.rgbRed) < kNearlyAlike;
}

}  // namespace

const char* CheckHeader(const BYTE (&header)[kHeaderBytes], uint64_t fileLength, Layout* layout) {
    if (header[0] != kManufacturer || header[2] != kRunLengthEncoding) return text::kNotValidPcx;
    const int xMin = ReadLE16(header + 4), yMin = ReadLE16(header + 6);
    const int xMax = ReadLE16(header + 8), yMax = ReadLE16(header + 10);
    if (xMax < xMin || yMax < yMin) return text::kNotValidPcx;
    const PlaneLayout* planes = FindLayout(header[65], header[3]);
    if (!planes) return text::kNotValidPcx;

    Layout out;
    out.width = xMax - xMin + 1;
    out.height = yMax - yMin + 1;
    out.planes = planes->planes;
    out.bitCount = planes->imageBits;
    out.route = planes->route;
    out.planeBytes = ReadLE16(header + 66);
    // Each plane of a line must hold the width's pixels.
    if (out.planeBytes < PixelBytes(out.width, planes->bitsPerPixel) || out.planeBytes == 0) return text::kNotValidPcx;
    out.lineBytes = out.planeBytes * static_cast<size_t>(out.planes);

    const uint64_t trailer = out.bitCount == 8 ? kTrailerBytes : 0;
    out.dataBytes = fileLength > kHeaderBytes + trailer ? fileLength - kHeaderBytes - trailer : 0;
    const uint64_t decoded = static_cast<uint64_t>(out.lineBytes) * static_cast<uint64_t>(out.height);
    if (decoded / kMaxExpansion > out.dataBytes) return text::kReadDataFailed;

    out.xPelsPerMeter = PelsPerMeter(ReadLE16(header + 12));
    out.yPelsPerMeter = PelsPerMeter(ReadLE16(header + 14));
    *layout = out;
    return nullptr;
}

void HeaderColorTable(const BYTE (&header)[kHeaderBytes], int bitCount, RGBQUAD* table) {
    const int entries = ColorEntries(bitCount);
    for (int i = 0; i < entries && i < 16; ++i) table[i] = FromTriplet(header + kHeaderPaletteAt + 3 * i);
    // Monochrome files often leave the table empty or uniform; they mean
    // black on white.
    if (bitCount == 1 && NearlyAlike(table[0], table[1])) {
        table[0] = RGBQUAD{0, 0, 0, 0};
        table[1] = RGBQUAD{255, 255, 255, 0};
    }
}

void TrailerColorTable(const BYTE* triplets, RGBQUAD* table) {
    for (int i = 0; i < 256; ++i) table[i] = FromTriplet(triplets + 3 * i);
}

WrittenLayout LayoutWritten(int width, int bitCount) {
    WrittenLayout layout;
    layout.planes = bitCount == 4 ? 4 : bitCount == 24 ? 3 : 1;
    layout.bitsPerPixel = bitCount < 8 ? 1 : 8;
    const size_t bytes = PixelBytes(width, layout.planes == 1 ? bitCount : layout.bitsPerPixel);
    layout.planeBytes = layout.planes == 1 ? bytes + (bytes & 1) : bytes;
    return layout;
}

void BuildHeader(const BITMAPINFOHEADER& info, const RGBQUAD* table, const WrittenLayout& layout,
                 BYTE (&header)[kHeaderBytes]) {
    std::memset(header, 0, kHeaderBytes);
    const int bitCount = info.biBitCount;
    header[0] = kManufacturer;
    header[1] = 5;  // version
    header[2] = kRunLengthEncoding;
    header[3] = static_cast<BYTE>(layout.bitsPerPixel);
    WriteLE16(header + 8, static_cast<uint16_t>(info.biWidth - 1));
    WriteLE16(header + 10, static_cast<uint16_t>(info.biHeight - 1));
    WriteLE16(header + 12, DotsPerInch(info.biXPelsPerMeter));
    WriteLE16(header + 14, DotsPerInch(info.biYPelsPerMeter));
    if (bitCount == 1 || bitCount == 4)
        for (int i = 0; i < ColorEntries(bitCount); ++i) ToTriplet(table[i], header + kHeaderPaletteAt + 3 * i);
    header[65] = static_cast<BYTE>(layout.planes);
    WriteLE16(header + 66, static_cast<uint16_t>(layout.planeBytes));
}

void BuildTrailer(const RGBQUAD* table, BYTE (&trailer)[kTrailerBytes]) {
    trailer[0] = kTrailerMarker;
    for (int i = 0; i < 256; ++i) ToTriplet(table[i], trailer + 1 + 3 * i);
}

}  // namespace velmora::pcx
