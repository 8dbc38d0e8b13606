#include "codecs/png/png_layout.h"

#include <algorithm>

#include "codecs/tiff/tiff_tags.h"
#include "platform/dib_geometry.h"

namespace velmora::png {

namespace {

// Background for colour files read with a palette chunk (and truecolour
// ones, read alike): their alpha or transparent colour is composited over it.
constexpr png_color_16 kBackground{0, 31, 127, 255, 0};
// Above 8 bits a file with a palette chunk is read as 24-bit blue, green, red.
constexpr int kMaxPaletteFileBitCount = 24;

}  // namespace

ReadLayout LayoutOf(const FileFacts& facts) {
    if (facts.paletteLength > 0 || facts.colorType == PNG_COLOR_TYPE_PALETTE) return ReadLayout::kPalette;
    switch (facts.colorType) {
    case PNG_COLOR_TYPE_GRAY: return ReadLayout::kGrey;
    case PNG_COLOR_TYPE_RGB: return ReadLayout::kColour;
    default: return ReadLayout::kAlpha;
    }
}

int ImageBitCount(const FileFacts& facts) {
    switch (LayoutOf(facts)) {
    case ReadLayout::kGrey: return std::min(facts.bitDepth, 8);
    case ReadLayout::kColour: return 24;
    case ReadLayout::kAlpha: return 32;
    default: return std::min(facts.pixelDepth, kMaxPaletteFileBitCount);
    }
}

void RequestReadTransforms(png_structp png, const FileFacts& facts) {
    const ReadLayout layout = LayoutOf(facts);
    if (layout == ReadLayout::kPalette || layout == ReadLayout::kColour) {
        png_color_16 background = kBackground;
        png_set_background(png, &background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    if (facts.bitDepth == 16) png_set_strip_16(png);
    if (layout == ReadLayout::kAlpha && !(facts.colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    // DIB pixels are blue, green, red; palette and grey images are untouched.
    png_set_bgr(png);
}

// Palette files get the file's palette, black past its end (1-bit ones
// included: every other reader shows their two colours); greyscale ones a
// ramp of their depth.
void StoreColorTable(CNewDIBObject& dib, const FileFacts& facts) {
    RGBQUAD* table = ColorTableOf(dib.GetBitmapInfo());
    const int bitCount = dib.GetBitCount();
    if (LayoutOf(facts) == ReadLayout::kGrey) {
        tiff::FillGreyRamp(table, static_cast<unsigned>(bitCount), false);
        return;
    }
    for (int i = 0; i < ColorEntries(bitCount); ++i) {
        const png_color c = i < facts.paletteLength ? facts.palette[i] : png_color{0, 0, 0};
        table[i] = RGBQUAD{c.blue, c.green, c.red, 0};
    }
}

int SavedColorType(int bitCount) {
    switch (bitCount) {
    case 1:
    case 2:
    case 4:
    case 8: return PNG_COLOR_TYPE_PALETTE;
    case 24: return PNG_COLOR_TYPE_RGB;
    case 32: return PNG_COLOR_TYPE_RGB_ALPHA;
    default: return -1;
    }
}

}  // namespace velmora::png
