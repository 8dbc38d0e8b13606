// Colour-table geometry of packed DIB memory (see velmora/gif.h), used by
// the packed-DIB GIF functions.
#pragma once

namespace velmora::gif {

// biClrUsed when the header is 40 bytes and it is nonzero; else 2, 16 or 256
// by bit count, 0 for other bit counts.
unsigned long DIBColorCount(const char* dib);
// The colour table's bytes: 4 per entry after a 40-byte header, 3 after a
// core header.
unsigned short DIBPaletteBytes(const char* dib);

}  // namespace velmora::gif
