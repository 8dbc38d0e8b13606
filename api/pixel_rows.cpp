#include "api/pixel_rows.h"

#include <utility>

#include "storage/pixel_unpack.h"

namespace velmora::api {

int NaturalChannels(int bitCount, bool alpha) {
    if (bitCount <= 8) return 1;
    return bitCount == 32 && alpha ? 4 : 3;
}

void RowToNatural(const BYTE* row, int width, int bitCount, bool alpha, uint8_t* out) {
    if (bitCount <= 8) {
        pixels::RowToIndices(row, width, bitCount, out);
    } else if (bitCount == 16) {
        pixels::RowAsBgr(row, width, bitCount, nullptr, out);
        for (int x = 0; x < width; ++x) std::swap(out[3 * x], out[3 * x + 2]);
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

void RowFromNatural(const uint8_t* in, int width, int bitCount, BYTE* row) {
    if (bitCount <= 8) {
        pixels::RowFromIndices(in, width, bitCount, row);
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

}  // namespace velmora::api
