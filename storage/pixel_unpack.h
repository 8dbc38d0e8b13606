// Pixels of a DIB row of any depth as colour-table indices or blue-green-red
// bytes, and back; the one place rows are unpacked. Indices of 1 to 8 bits sit
// most significant bits first and may straddle a byte (3, 5, 6 and 7 bits).
// 16-bit pixels are 5-5-5; a 5-bit channel widens by repeating its top bits
// below it (abcde gives abcdeabc, 0 and 31 give 0 and 255), as the BMP reader
// widens bit fields.
#pragma once

#include <cstdint>

#include "velmora/wintypes.h"

namespace velmora::pixels {

// Depths a row can be unpacked from: 1 to 8, 16, 24 and 32 bits.
bool Unpacks(int bitCount);

// Index x of a row of `bits` (1 to 8).
int IndexAt(const BYTE* row, int64_t x, int bits);
// Stores the low `bits` of `index` as pixel x, touching no other pixel.
void PutIndex(BYTE* row, int64_t x, int bits, int index);

// A 5-bit channel as 8 bits.
inline uint8_t Widen5(unsigned v) { return static_cast<uint8_t>(v << 3 | v >> 2); }

// One byte per pixel from indices of 1 to 8 bits.
void RowToIndices(const BYTE* row, int width, int bits, uint8_t* out);
// Indices (masked to the depth) into a row of 1 to 8 bits; the row's other
// bits up to the last used byte are cleared.
void RowFromIndices(const uint8_t* in, int width, int bits, BYTE* row);

// A row as blue, green, red bytes: the row itself at 24 bits, else `out`
// (width * 3 bytes) filled from it. `palette` gives the colours of indices
// and holds 2^bits entries (unused above 8 bits). Null for depths Unpacks
// refuses.
const BYTE* RowAsBgr(const BYTE* row, int width, int bitCount, const RGBQUAD* palette, BYTE* out);

// `count` bits from the start of `from` to bit `toBit` of `to` (most
// significant first), leaving the bits of `to` around them as they were.
void CopyBits(const BYTE* from, uint64_t count, BYTE* to, uint64_t toBit);

}  // namespace velmora::pixels
