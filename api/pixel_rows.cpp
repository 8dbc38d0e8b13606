#include "api/pixel_rows.h"

#include <cstring>

namespace velmora::api {

namespace {

// Packed indices sit most significant bits first.
int PackedIndex(const BYTE* row, int x, int bits) {
    const int64_t bit = static_cast<int64_t>(x) * bits;
    if (8 % bits == 0) return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
    // Depths that straddle bytes, bit by bit.
    int index = 0;
    for (int k = 0; k < bits; ++k) {
        const int64_t b = bit + k;
        index = (index << 1) | ((row[b / 8] >> (7 - b % 8)) & 1);
    }
    return index;
}

// A 5-bit channel widened to 8 bits, its top bits repeated below.
uint8_t Widen5(int v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

void Rgb555(const BYTE* p, uint8_t* out) {
    const int v = p[0] | (p[1] << 8);
    out[0] = Widen5((v >> 10) & 31);
    out[1] = Widen5((v >> 5) & 31);
    out[2] = Widen5(v & 31);
}

}  // namespace

int NaturalChannels(int bitCount, bool alpha) {
    if (bitCount <= 8) return 1;
    return bitCount == 32 && alpha ? 4 : 3;
}

void RowToNatural(const BYTE* row, int width, int bitCount, bool alpha, uint8_t* out) {
    if (bitCount == 8) {
        std::memcpy(out, row, static_cast<size_t>(width));
    } else if (bitCount < 8) {
        for (int x = 0; x < width; ++x) out[x] = static_cast<uint8_t>(PackedIndex(row, x, bitCount));
    } else if (bitCount == 16) {
        for (int x = 0; x < width; ++x) Rgb555(row + 2 * x, out + 3 * x);
    } else {
        const int in = bitCount / 8, step = NaturalChannels(bitCount, alpha);
        for (int x = 0; x < width; ++x, row += in, out += step) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
            if (step == 4) out[3] = row[3];
        }
    }
}

void RowToRgb(const BYTE* row, int width, int bitCount, const RGBQUAD* palette, uint8_t* out) {
    if (bitCount > 8) {
        RowToNatural(row, width, bitCount, false, out);
        return;
    }
    for (int x = 0; x < width; ++x, out += 3) {
        const RGBQUAD& c = palette[bitCount == 8 ? row[x] : PackedIndex(row, x, bitCount)];
        out[0] = c.rgbRed;
        out[1] = c.rgbGreen;
        out[2] = c.rgbBlue;
    }
}

void RowFromNatural(const uint8_t* in, int width, int bitCount, BYTE* row) {
    if (bitCount <= 8) {
        const int mask = (1 << bitCount) - 1;
        const size_t bytes = (static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 7) / 8;
        std::memset(row, 0, bytes);
        for (int x = 0; x < width; ++x) {
            const int64_t bit = static_cast<int64_t>(x) * bitCount;
            const int shift = 8 - bitCount - static_cast<int>(bit % 8);
            row[bit / 8] = static_cast<BYTE>(row[bit / 8] | ((in[x] & mask) << shift));
        }
        return;
    }
    const int out = bitCount / 8;
    for (int x = 0; x < width; ++x, in += out, row += out) {
        row[0] = in[2];
        row[1] = in[1];
        row[2] = in[0];
        if (out == 4) row[3] = in[3];
    }
}

bool RowHasAlpha(const BYTE* row, int width) {
    for (int x = 0; x < width; ++x)
        if (row[4 * x + 3]) return true;
    return false;
}

}  // namespace velmora::api
