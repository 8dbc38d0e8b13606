// MakeThumbnail: the source's rows, as blue-green-red bytes, through area
// averaging while they stream past, then the Lanczos-3 kernel to the size.
#include "velmora/thumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "document/resample_kernel.h"
#include "platform/dib_geometry.h"
#include "storage/row_walker.h"
#include "velmora/newdib.h"

namespace {

using velmora::resample::BoxShrinker;
using velmora::resample::FloatImage;

bool Converts(int bitCount) {
    return bitCount == 1 || bitCount == 2 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

// One source row as blue-green-red bytes (`out` has width * 3); 24-bit rows
// are used where they lie.
const uint8_t* AsBgr(const BYTE* row, int width, int bitCount, const RGBQUAD* table, uint8_t* out) {
    if (bitCount == 24) return row;
    uint8_t* o = out;
    if (bitCount <= 8) {
        const int perByte = 8 / bitCount, mask = (1 << bitCount) - 1;
        for (int x = 0; x < width; ++x, o += 3) {
            const int shift = 8 - bitCount * (x % perByte + 1);
            const RGBQUAD& c = table[(row[x / perByte] >> shift) & mask];
            o[0] = c.rgbBlue;
            o[1] = c.rgbGreen;
            o[2] = c.rgbRed;
        }
    } else if (bitCount == 16) {  // 5-5-5
        for (int x = 0; x < width; ++x, o += 3) {
            const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
            o[0] = static_cast<uint8_t>((v & 31) * 255 / 31);
            o[1] = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
            o[2] = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
        }
    } else {  // 32: blue, green, red, ignored
        for (int x = 0; x < width; ++x, o += 3) std::memcpy(o, row + 4 * static_cast<size_t>(x), 3);
    }
    return out;
}

// Every source row, top first, into the shrinker; false when a window
// cannot be placed.
bool StreamRows(CNewDIB& source, BoxShrinker& shrinker) {
    const int width = source.GetWidth(), height = source.GetHeight(), bits = source.GetBitCount();
    int entries = 0;
    const RGBQUAD* table = bits <= 8 ? source.GetRGBQuad(&entries) : nullptr;
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    if (table) std::copy(table, table + std::min(entries, 256), palette.begin());
    std::vector<uint8_t> bgr(static_cast<size_t>(width) * 3);
    velmora::RowWalker walker(&source, velmora::RowOrder::TopDown);
    for (int row = 0; row < height;) {
        const velmora::RowPiece piece = walker.Piece(row, height - row);
        if (piece.count <= 0) return false;
        for (int k = 0; k < piece.count; ++k) shrinker.AddRow(AsBgr(piece.Row(k), width, bits, palette.data(), bgr.data()));
        row += piece.count;
    }
    return true;
}

BYTE ToByte(float v) { return static_cast<BYTE>(std::clamp(std::lround(v), 0L, 255L)); }

bool Store(const FloatImage& pixels, CNewDIB& out) {
    if (!out.CreateDIB(pixels.width, pixels.height, 24) || !out.Ready()) return false;
    velmora::RowWalker walker(&out, velmora::RowOrder::TopDown);
    const size_t stride = out.GetBytesPerLine(), used = static_cast<size_t>(pixels.width) * 3;
    for (int y = 0; y < pixels.height; ++y) {
        BYTE* row = walker.Row(y);
        if (!row) return false;
        const float* in = pixels.Row(y);
        for (size_t i = 0; i < used; ++i) row[i] = ToByte(in[i]);
        std::memset(row + used, 0, stride - used);
    }
    return true;
}

}  // namespace

void FitThumbnailSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight) {
    velmora::resample::FitInside(width, height, boxWidth, boxHeight, outWidth, outHeight);
}

int MakeThumbnail(CNewDIB* source, int boxWidth, int boxHeight, CNewDIB* thumbnail) {
    if (!thumbnail) return 0;
    if (!source || !source->Ready() || boxWidth < 1 || boxHeight < 1 || !Converts(source->GetBitCount())) {
        thumbnail->ReleaseDIB();
        return 0;
    }
    int width = 0, height = 0;
    FitThumbnailSize(source->GetWidth(), source->GetHeight(), boxWidth, boxHeight, &width, &height);
    BoxShrinker shrinker(source->GetWidth(), source->GetHeight(),
                         velmora::resample::BoxFactor(source->GetWidth(), width),
                         velmora::resample::BoxFactor(source->GetHeight(), height));
    CNewDIB made;  // apart from `thumbnail`, which may be the source itself
    if (!StreamRows(*source, shrinker) ||
        !Store(velmora::resample::Lanczos3(shrinker.Take(), width, height), made) || !thumbnail->CopyDIB(&made)) {
        thumbnail->ReleaseDIB();
        return 0;
    }
    return 1;
}
