// Mirroring one row left to right, by bit count.
#pragma once

#include "velmora/wintypes.h"

namespace velmora {

// Bit counts whose rows HorizonFlip mirrors: 1, 4, 8, 16, 24 and 32.
bool CanMirror(int bitCount);

// Writes the `width` pixels of `src` to `dst` in reverse order, packed from
// the first byte; the bits after the last pixel of the last byte are 0.
// Writes exactly ceil(width * bitCount / 8) bytes; `src` and `dst` are
// distinct rows.
void MirrorRow(const BYTE* src, BYTE* dst, int width, int bitCount);

}  // namespace velmora
