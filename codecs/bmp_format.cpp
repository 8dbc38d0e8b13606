#include "codecs/bmp_format.h"

#include <climits>

#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "platform/dib_geometry.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "BMP headers are read as stored, little-endian");

namespace velmora::bmp {

namespace {

bool IsDibBitCount(int bitCount) {
    switch (bitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: return true;
    default: return false;
    }
}

bool IsRunLength(DWORD compression) { return compression == BI_RLE8 || compression == BI_RLE4; }

// Run-length data codes one pixel per byte (RLE8) or per nibble (RLE4).
bool CompressionFits(DWORD compression, int bitCount) {
    if (compression == BI_RGB) return true;
    if (compression == BI_RLE8) return bitCount == 8;
    if (compression == BI_RLE4) return bitCount == 4;
    return false;
}

// Enough file after the pixel-data offset for what the headers describe.
bool DataFits(const Layout& layout, uint64_t offBits, uint64_t fileLength) {
    uint64_t available = fileLength > offBits ? fileLength - offBits : 0;
    if (IsRunLength(layout.compression))
        return available > 0 && (layout.dataBytes <= kUncheckedRunLengthBytes ||
                                 layout.dataBytes / kMaxRunLengthExpansion < available);
    return layout.dataBytes <= available;
}

}  // namespace

const char* CheckLayout(const BITMAPINFOHEADER& info, uint64_t offBits, uint64_t fileLength, Layout* layout) {
    // Core (OS/2 1.x) and other short headers hold 16-bit fields in other places.
    if (info.biSize < kInfoHeaderBytes) return text::kUnsupportedFormat;
    if (info.biCompression != BI_RGB && !IsRunLength(info.biCompression)) return text::kUnknownCompression;
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
    // The storage keeps the stride in an int.
    out.stride = static_cast<size_t>(RowStride(out.width, out.bitCount, INT_MAX));
    if (out.stride == 0) return text::kCreateBufferFailed;
    out.dataBytes = ImageBytes(out.stride, static_cast<uint64_t>(out.rows));
    out.colorTableAt = kFileHeaderBytes + info.biSize;
    out.colorEntries = ColorEntries(out.bitCount);
    if (!DataFits(out, offBits, fileLength)) return text::kReadDataFailed;
    // A file that can hold its picture may still claim more than the
    // library's limits allow.
    if (Failure failure = CheckImageSize(out.width, out.rows, out.bitCount)) return failure;
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
