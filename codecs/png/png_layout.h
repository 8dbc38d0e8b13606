// How a PNG file's pixels become a DIB's, and a DIB's a PNG file's: the
// image's bit count and colour table for each colour type, and the libpng
// transforms that bring rows to the DIB's layout (blue, green, red, alpha).
#pragma once

#include <png.h>

#include "velmora/newdibobject.h"

namespace velmora::png {

// What a file's header and palette say, as png_read_info leaves them.
struct FileFacts {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int pixelDepth = 0;  // bits per pixel of the file's rows
    int passes = 1;
    int paletteLength = 0;
    png_color palette[PNG_MAX_PALETTE_LENGTH] = {};
};

// The image a file becomes.
enum class ReadLayout {
    kPalette,  // a palette chunk: indices, or colour read as 24-bit over the background
    kGrey,     // greyscale: indices of its own depth (16 bits cut to 8) into a grey ramp
    kColour,   // truecolour without a palette: 24-bit, as with one
    kAlpha,    // grey or colour with alpha and no palette: 32-bit, alpha in the fourth byte
};

ReadLayout LayoutOf(const FileFacts& facts);
int ImageBitCount(const FileFacts& facts);
// Asks libpng for the rows in the image's layout. Calls libpng: run under
// its recovery point.
void RequestReadTransforms(png_structp png, const FileFacts& facts);
// The colour table of an image read from the file (none above 8 bits).
void StoreColorTable(CNewDIBObject& dib, const FileFacts& facts);

// The colour type a DIB of `bitCount` bits is saved as; -1 when there is
// none (the bit count cannot be saved).
int SavedColorType(int bitCount);

}  // namespace velmora::png
