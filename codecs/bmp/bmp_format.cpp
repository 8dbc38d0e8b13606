#include "codecs/bmp/bmp_format.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "frame/endian.h"
#include "platform/dib_geometry.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "BMP headers are read as stored, little-endian");

namespace velmora::bmp {

namespace {

// The V2 header (52 bytes) and longer hold the colour masks, V3 (56) the alpha mask.
constexpr size_t kMasksAt = 40;
constexpr size_t kAlphaMaskAt = 52;
constexpr size_t kOs2LongestHeaderBytes = 64;
constexpr DWORD kOs2Huffman = 3, kOs2Rle24 = 4;
// Bit fields that a 16-bit image holds as they are.
constexpr DWORD kFiveFiveFive[4] = {0x7C00, 0x03E0, 0x001F, 0};

bool IsDibBitCount(int bitCount) {
    switch (bitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}

bool IsRunLength(DWORD compression) { return compression == BI_RLE8 || compression == BI_RLE4; }
bool IsBitFields(DWORD compression) { return compression == BI_BITFIELDS || compression == kAlphaBitFields; }

bool KnownCompression(const InfoHeader& header) {
    const DWORD compression = header.info.biCompression;
    if (header.os2 && (compression == kOs2Huffman || compression == kOs2Rle24)) return false;
    return compression == BI_RGB || IsRunLength(compression) || IsBitFields(compression);
}

// Run-length data codes one pixel per byte (RLE8) or per nibble (RLE4); bit
// fields describe 16- and 32-bit pixels.
bool CompressionFits(DWORD compression, int bitCount) {
    if (compression == BI_RGB) return true;
    if (compression == BI_RLE8) return bitCount == 8;
    if (compression == BI_RLE4) return bitCount == 4;
    return bitCount == 16 || bitCount == 32;
}

// Enough file after the pixel-data offset for what the headers describe.
bool DataFits(const Layout& layout, uint64_t offBits, uint64_t fileLength) {
    uint64_t available = fileLength > offBits ? fileLength - offBits : 0;
    if (IsRunLength(layout.compression))
        return available > 0 && (layout.dataBytes <= kUncheckedRunLengthBytes ||
                                 layout.dataBytes / kMaxRunLengthExpansion < available);
    return layout.dataBytes <= available;
}

bool IsFiveFiveFive(const DWORD (&masks)[4]) {
    for (int i = 0; i < 4; ++i)
        if (masks[i] != kFiveFiveFive[i]) return false;
    return true;
}

// Uncompressed rows, bit-field pixels the image holds as they are, or
// bit-field pixels converted (16-bit ones to 24 bits).
void ChooseRoute(const InfoHeader& header, Layout* layout) {
    const DWORD compression = header.info.biCompression;
    layout->route = IsRunLength(compression) ? Route::kRunLength : Route::kRows;
    layout->imageBits = layout->bitCount;
    if (!IsBitFields(compression)) return;
    std::copy(header.masks, header.masks + 4, layout->masks);
    if (layout->bitCount == 16 && IsFiveFiveFive(header.masks)) return;
    layout->route = Route::kBitFields;
    layout->imageBits = layout->bitCount == 16 ? 24 : 32;
}

// OS/2 tables may stop at the pixel data (a 1.x file of 252 colours has 252
// entries); a Windows table is read whole, whatever biClrUsed says.
int EntriesInFile(const Layout& layout, bool os2, uint64_t offBits) {
    const uint64_t tableBytes = static_cast<uint64_t>(layout.colorEntries) * static_cast<uint64_t>(layout.entryBytes);
    if (!os2 || offBits <= layout.colorTableAt || offBits >= layout.colorTableAt + tableBytes)
        return layout.colorEntries;
    return static_cast<int>((offBits - layout.colorTableAt) / static_cast<uint64_t>(layout.entryBytes));
}

}  // namespace

const char* ParseInfoHeader(const BYTE* raw, size_t got, InfoHeader* header) {
    InfoHeader out;
    out.headerBytes = ReadLE32(raw);
    if (out.headerBytes == kCoreHeaderBytes && got >= kCoreHeaderBytes) {
        out.core = out.os2 = true;
        out.info.biWidth = ReadLE16(raw + 4);
        out.info.biHeight = ReadLE16(raw + 6);
        out.info.biPlanes = ReadLE16(raw + 8);
        out.info.biBitCount = ReadLE16(raw + 10);
    } else if (out.headerBytes >= 16 && got >= 16) {
        // OS/2 2.x headers hold the first fields of the 40-byte form, as many as they have room for.
        out.os2 = out.headerBytes < kInfoHeaderBytes || out.headerBytes == kOs2LongestHeaderBytes;
        std::memcpy(&out.info, raw, std::min(got, kInfoHeaderBytes));
        if (got >= kMasksAt + 12)
            for (int i = 0; i < 3; ++i) out.masks[i] = ReadLE32(raw + kMasksAt + 4 * i);
        if (got >= kAlphaMaskAt + 4) out.masks[3] = ReadLE32(raw + kAlphaMaskAt);
    } else {
        // Shorter headers have no layout that says where their fields are.
        return text::kUnsupportedFormat;
    }
    out.info.biSize = kInfoHeaderBytes;
    if (IsBitFields(out.info.biCompression) && !out.os2 && out.headerBytes < kMasksAt + 12)
        out.masksAfter = out.info.biCompression == kAlphaBitFields ? 16 : 12;
    *header = out;
    return nullptr;
}

void TakeMasks(const BYTE* raw, size_t count, InfoHeader* header) {
    for (size_t i = 0; i < count && i < 4; ++i) header->masks[i] = ReadLE32(raw + 4 * i);
}

const char* CheckLayout(const InfoHeader& header, uint64_t offBits, uint64_t fileLength, Layout* layout) {
    const BITMAPINFOHEADER& info = header.info;
    if (!KnownCompression(header)) return text::kUnknownCompression;
    if (!IsDibBitCount(info.biBitCount)) return text::kBadFileData;
    if (!CompressionFits(info.biCompression, info.biBitCount)) return text::kUnknownCompression;
    // Sizes the storage would refuse fail as its refusal would, before the
    // document gives up its image.
    if (info.biWidth <= 0 || info.biHeight == 0 || info.biHeight == INT_MIN) return text::kCreateBufferFailed;

    Layout out;
    out.width = info.biWidth;
    out.topDown = info.biHeight < 0;
    out.rows = out.topDown ? -info.biHeight : info.biHeight;
    out.bitCount = info.biBitCount;
    out.compression = info.biCompression;
    ChooseRoute(header, &out);
    // The storage keeps the stride in an int.
    out.stride = static_cast<size_t>(RowStride(out.width, out.bitCount, INT_MAX));
    if (out.stride == 0 || RowStride(out.width, out.imageBits, INT_MAX) == 0) return text::kCreateBufferFailed;
    out.dataBytes = ImageBytes(out.stride, static_cast<uint64_t>(out.rows));
    out.colorTableAt = kFileHeaderBytes + header.headerBytes + header.masksAfter;
    out.colorEntries = ColorEntries(out.bitCount);
    out.entryBytes = header.core ? 3 : 4;
    out.entriesInFile = EntriesInFile(out, header.os2, offBits);
    if (!DataFits(out, offBits, fileLength)) return text::kReadDataFailed;
    // A file that can hold its picture may still claim more than the
    // library's limits allow.
    if (Failure failure = CheckImageSize(out.width, out.rows, out.imageBits)) return failure;
    *layout = out;
    return nullptr;
}

BITMAPFILEHEADER FileHeaderFor(uint64_t dataBytes, int colorEntries) {
    uint64_t offBits = kFileHeaderBytes + kInfoHeaderBytes + 4 * static_cast<uint64_t>(colorEntries);
    uint64_t size = offBits + dataBytes;
    BITMAPFILEHEADER header{};
    header.bfType = kSignature;
    // The field is 32 bits; readers take the size from the headers when it
    // cannot be told.
    header.bfSize = size <= UINT32_MAX ? static_cast<DWORD>(size) : 0;
    header.bfOffBits = static_cast<DWORD>(offBits);
    return header;
}

}  // namespace velmora::bmp
