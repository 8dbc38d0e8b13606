// One DIB row to and from the natural form hosts use: one byte per pixel
// (the index) up to 8 bits, RGB for 16 and 24 bits, RGBA for 32 bits with
// alpha, RGB for 32 bits without.
#pragma once

#include <cstdint>

#include "velmora/wintypes.h"

namespace velmora::api {

// Bytes per pixel of the natural form.
int NaturalChannels(int bitCount, bool alpha);

void RowToNatural(const BYTE* row, int width, int bitCount, bool alpha, uint8_t* out);
// Indices (up to 8 bits; masked to the depth), RGB (24) or RGBA (32) into a DIB row.
void RowFromNatural(const uint8_t* in, int width, int bitCount, BYTE* row);

}  // namespace velmora::api
