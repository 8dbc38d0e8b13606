#include "storage/pixel_unpack.h"

#include <cstring>

namespace velmora::pixels {

bool Unpacks(int bitCount) {
    return (bitCount >= 1 && bitCount <= 8) || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

int IndexAt(const BYTE* row, int64_t x, int bits) {
    const int64_t bit = x * bits;
    const BYTE* p = row + bit / 8;
    const int offset = static_cast<int>(bit % 8);
    const int mask = (1 << bits) - 1;
    if (offset + bits <= 8) return p[0] >> (8 - offset - bits) & mask;
    // A pixel that straddles two bytes; the second is read only then.
    return (p[0] << 8 | p[1]) >> (16 - offset - bits) & mask;
}

void PutIndex(BYTE* row, int64_t x, int bits, int index) {
    const int64_t bit = x * bits;
    BYTE* p = row + bit / 8;
    const int offset = static_cast<int>(bit % 8);
    const unsigned mask = (1u << bits) - 1, value = static_cast<unsigned>(index) & mask;
    if (offset + bits <= 8) {
        const int shift = 8 - offset - bits;
        p[0] = static_cast<BYTE>((p[0] & ~(mask << shift)) | value << shift);
        return;
    }
    const int shift = 16 - offset - bits;
    const unsigned both = ((p[0] << 8 | p[1]) & ~(mask << shift)) | value << shift;
    p[0] = static_cast<BYTE>(both >> 8);
    p[1] = static_cast<BYTE>(both);
}

void RowToIndices(const BYTE* row, int width, int bits, uint8_t* out) {
    if (bits == 8) {
        std::memcpy(out, row, static_cast<size_t>(width));
        return;
    }
    for (int x = 0; x < width; ++x) out[x] = static_cast<uint8_t>(IndexAt(row, x, bits));
}

void RowFromIndices(const uint8_t* in, int width, int bits, BYTE* row) {
    std::memset(row, 0, (static_cast<size_t>(width) * static_cast<size_t>(bits) + 7) / 8);
    for (int x = 0; x < width; ++x) PutIndex(row, x, bits, in[x]);
}

const BYTE* RowAsBgr(const BYTE* row, int width, int bitCount, const RGBQUAD* palette, BYTE* out) {
    if (bitCount == 24) return row;
    if (!Unpacks(bitCount)) return nullptr;
    BYTE* o = out;
    if (bitCount <= 8) {
        for (int x = 0; x < width; ++x, o += 3) {
            const RGBQUAD& c = palette[bitCount == 8 ? row[x] : IndexAt(row, x, bitCount)];
            o[0] = c.rgbBlue;
            o[1] = c.rgbGreen;
            o[2] = c.rgbRed;
        }
    } else if (bitCount == 16) {
        for (int x = 0; x < width; ++x, o += 3) {
            const unsigned v = row[2 * x] | row[2 * x + 1] << 8;
            o[0] = Widen5(v & 31);
            o[1] = Widen5(v >> 5 & 31);
            o[2] = Widen5(v >> 10 & 31);
        }
    } else {  // 32: blue, green, red, and a fourth byte left out
        for (int x = 0; x < width; ++x, o += 3) std::memcpy(o, row + 4 * static_cast<size_t>(x), 3);
    }
    return out;
}

void CopyBits(const BYTE* from, uint64_t count, BYTE* to, uint64_t toBit) {
    to += toBit / 8;
    if (toBit % 8 == 0 && count % 8 == 0) {
        std::memcpy(to, from, count / 8);
        return;
    }
    const int shift = static_cast<int>(toBit % 8);
    const uint64_t bytes = (count + 7) / 8;
    for (uint64_t i = 0; i < bytes; ++i) {
        const int n = i + 1 < bytes || count % 8 == 0 ? 8 : static_cast<int>(count % 8);
        const unsigned mask = 0xFFu << (8 - n) & 0xFF, v = from[i] & mask;
        to[i] = static_cast<BYTE>((to[i] & ~(mask >> shift)) | v >> shift);
        // The bits that spill into the next byte, when there are any.
        if (n + shift > 8) {
            const unsigned spill = mask << (8 - shift) & 0xFF;
            to[i + 1] = static_cast<BYTE>((to[i + 1] & ~spill) | (v << (8 - shift) & 0xFF));
        }
    }
}

}  // namespace velmora::pixels
