// The GIF functions on packed DIB memory: a whole DIB as a GIF file, the
// first image of a GIF file as a new DIB, and the DIB's geometry.
#include "codecs/gif/gif_dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/gif/gif_container.h"
#include "frame/endian.h"
#include "platform/dib_geometry.h"
#include "velmora/environment.h"

namespace velmora::gif {

namespace {

const BYTE* Bytes(const char* dib) { return reinterpret_cast<const BYTE*>(dib); }
bool HasInfoHeader(const char* dib) { return ReadLE32(Bytes(dib)) == sizeof(BITMAPINFOHEADER); }

// The DIB's colours as red, green, blue triples, 2^bitCount of them (held in
// 16 bits); entries past the DIB's own table are black.
std::vector<BYTE> RgbTable(char* dib, int bitCount) {
    const size_t entries = bitCount >= 0 && bitCount < 16 ? size_t{1} << bitCount : 0;
    const size_t held = std::min<size_t>(entries, DIBColorCount(dib));
    const size_t entryBytes = HasInfoHeader(dib) ? 4 : 3;
    const BYTE* table = Bytes(dib) + ReadLE32(Bytes(dib));
    std::vector<BYTE> rgb(3 * entries, 0);
    for (size_t i = 0; i < held; ++i) {
        const BYTE* bgr = table + i * entryBytes;
        rgb[3 * i] = bgr[2];
        rgb[3 * i + 1] = bgr[1];
        rgb[3 * i + 2] = bgr[0];
    }
    return rgb;
}

}  // namespace

unsigned long DIBColorCount(const char* dib) {
    if (HasInfoHeader(dib)) {
        const uint32_t used = ReadLE32(Bytes(dib) + offsetof(BITMAPINFOHEADER, biClrUsed));
        if (used != 0) return used;
    }
    switch (DIBBitCount(const_cast<char*>(dib))) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

unsigned short DIBPaletteBytes(const char* dib) {
    return static_cast<unsigned short>(DIBColorCount(dib) * (HasInfoHeader(dib) ? 4 : 3));
}

}  // namespace velmora::gif

using velmora::ReadLE16;
using velmora::ReadLE32;

char* FindDIBBits(char* dib) { return dib + ReadLE32(velmora::gif::Bytes(dib)) + velmora::gif::DIBPaletteBytes(dib); }

unsigned long DIBWidth(char* dib) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(dib);
    return velmora::gif::HasInfoHeader(dib) ? ReadLE32(bytes + 4) : ReadLE16(bytes + 4);
}

unsigned long DIBHeight(char* dib) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(dib);
    return velmora::gif::HasInfoHeader(dib) ? ReadLE32(bytes + 8) : ReadLE16(bytes + 6);
}

unsigned short DIBBitCount(char* dib) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(dib);
    return velmora::gif::HasInfoHeader(dib) ? ReadLE16(bytes + 14) : ReadLE16(bytes + 10);
}

int DIBToGIF(char* dib, CFile& file, int interlace) {
    using namespace velmora;
    const WORD width = static_cast<WORD>(DIBWidth(dib));
    const WORD height = static_cast<WORD>(DIBHeight(dib));
    const int bitCount = DIBBitCount(dib);
    const std::vector<BYTE> rgb = gif::RgbTable(dib, bitCount);
    gif::WriteHead(file, width, height, bitCount, rgb.data(), interlace);
    BlockRows rows(reinterpret_cast<BYTE*>(FindDIBBits(dib)), height, RowStride(width, bitCount));
    gif::WriteImageData(rows, file, width, bitCount, interlace);
    return 1;
}

unsigned char* ReadGIF(CFile& file) {
    using namespace velmora;
    BYTE signature[gif::kSignatureBytes];
    gif::ImageHead head;
    if (file.Read(signature, sizeof signature) != sizeof signature || gif::ReadImageHead(file, &head)) return nullptr;
    if (!gif::DataCanHoldImage(head, file.GetLength() - file.GetPosition())) return nullptr;
    // The block is an image made from a file: the library's pixel limit holds.
    if (static_cast<uint64_t>(head.width) * static_cast<uint64_t>(head.height) > GetMaxImagePixels()) return nullptr;
    const int bitCount = head.BitCount();
    const uint64_t stride = RowStride(head.width, bitCount);
    const uint64_t pixelBytes = ImageBytes(stride, static_cast<uint64_t>(head.height));
    if (pixelBytes == 0 || pixelBytes > SIZE_MAX - HeaderAndTableBytes(bitCount)) return nullptr;
    auto* block = static_cast<unsigned char*>(std::calloc(1, HeaderAndTableBytes(bitCount) + pixelBytes));
    if (!block) return nullptr;
    auto* info = reinterpret_cast<BITMAPINFO*>(block);
    info->bmiHeader = gif::DibHeaderFor(head, stride);
    gif::FillColorTable(head, ColorTableOf(info));
    gif::ChunkSource source(file, head, bitCount);
    BlockRows rows(block + HeaderAndTableBytes(bitCount), head.height, stride);
    gif::DecodeRows(file, source.State(), rows);
    return block;
}
