#include "codecs/tiff/tiff_tags.h"

#include <tiffio.h>

#include <algorithm>

namespace velmora::tiff {

LONG PelsPerMeter(uint16_t resolutionUnit, float resolution) {
    double pels;
    if (resolutionUnit == RESUNIT_INCH) pels = resolution * 1000.0 / 25.4 + 0.5;
    else if (resolutionUnit == RESUNIT_CENTIMETER) pels = resolution * 100.0 + 0.5;
    else return 11811;
    // A resolution no header field can hold (or not a number) is dropped.
    if (!(pels > -2147483648.0 && pels < 2147483648.0)) return 0;
    return static_cast<LONG>(pels);
}

float SavedResolution(LONG pelsPerMeter) {
    if (pelsPerMeter == 0) return 118.11024f;
    return static_cast<float>(pelsPerMeter) / 100.0f;
}

void FillGreyRamp(RGBQUAD* table, unsigned bitsPerSample, bool minIsWhite) {
    const int n = 1 << bitsPerSample;
    const int step = 255 / (n - 1);
    for (int k = 0; k < n; ++k) {
        const BYTE level = static_cast<BYTE>(step * k);
        table[minIsWhite ? n - 1 - k : k] = RGBQUAD{level, level, level, 0};
    }
}

void FillFromColorMap(RGBQUAD* table, int entries, const uint16_t* red, const uint16_t* green, const uint16_t* blue) {
    auto wide = [entries](const uint16_t* values) {
        return std::any_of(values, values + entries, [](uint16_t v) { return v >= 256; });
    };
    const bool sixteenBit = wide(red) || wide(green) || wide(blue);
    auto level = [sixteenBit](uint16_t v) {
        return static_cast<BYTE>(sixteenBit ? static_cast<uint32_t>(v) * 255 / 65535 : v);
    };
    for (int i = 0; i < entries; ++i) table[i] = RGBQUAD{level(blue[i]), level(green[i]), level(red[i]), 0};
}

std::vector<uint16_t> ColorMapFor(const RGBQUAD* table, int entries) {
    std::vector<uint16_t> map(3 * static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        map[i] = static_cast<uint16_t>(table[i].rgbRed * 257);
        map[entries + i] = static_cast<uint16_t>(table[i].rgbGreen * 257);
        map[2 * entries + i] = static_cast<uint16_t>(table[i].rgbBlue * 257);
    }
    return map;
}

uint16_t SavedPhotometric(int bitCount, bool gray, const RGBQUAD* table) {
    if (bitCount > 8) return PHOTOMETRIC_RGB;
    if (!gray) return PHOTOMETRIC_PALETTE;
    return table[0].rgbRed < table[1].rgbRed ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE;
}

}  // namespace velmora::tiff
