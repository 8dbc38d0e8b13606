// How TIFF tags become a DIB's header and colour table and back: resolution
// in both directions, grey ramps, colour maps and the photometric value a
// save declares. Plain functions of
// their arguments, so the rules are checked without a file.
#pragma once

#include <cstdint>
#include <vector>

#include "velmora/wintypes.h"

namespace velmora::tiff {

// Pels per metre from a TIFF resolution: inches and centimetres converted
// and rounded half up, 11811 (300 dots per inch) for any other unit.
LONG PelsPerMeter(uint16_t resolutionUnit, float resolution);

// Pixels per centimetre written for `pelsPerMeter`; 300 dots per inch for 0.
float SavedResolution(LONG pelsPerMeter);

// The grey table of a one-sample image of `bitsPerSample` bits: 2^bits
// entries stepping by 255 / (2^bits - 1), black first, or white first when
// `minIsWhite`.
void FillGreyRamp(RGBQUAD* table, unsigned bitsPerSample, bool minIsWhite);

// The table of a palette image from the first `entries` values of the
// ColorMap arrays. A map whose values all lie below 256 was written with
// 8-bit values and is taken as it stands; otherwise the values are 16-bit
// and scaled to 8 bits by truncation.
void FillFromColorMap(RGBQUAD* table, int entries, const uint16_t* red, const uint16_t* green, const uint16_t* blue);

// The ColorMap a save writes for a colour table: all reds, then all greens,
// then all blues, each value the component times 257 (the full 16-bit
// range, so that readers scaling by 255/65535 or 1/257 get the component back).
std::vector<uint16_t> ColorMapFor(const RGBQUAD* table, int entries);

// PhotometricInterpretation a save declares: RGB above 8 bits; for a grey
// image min-is-black when the table rises from entry 0 to entry 1, else
// min-is-white; otherwise palette.
uint16_t SavedPhotometric(int bitCount, bool gray, const RGBQUAD* table);

}  // namespace velmora::tiff
