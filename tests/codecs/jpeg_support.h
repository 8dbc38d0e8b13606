// Helpers of the JPEG tests: sample paths, the largest channel difference
// from a reference decoding, and a colour-table image filled from indices.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "codecs/image_fixture.h"

namespace vtest {

inline std::string JpegSample(const std::string& name) { return DataPath("jpg/" + name); }

// The largest difference of any channel of any pixel; -1 on other sizes.
inline int MaxChannelDifference(CNewDIB& dib, const RefImage& ref) {
    if (!ref.ok() || ref.width != dib.GetWidth() || ref.height != dib.GetHeight()) return -1;
    int most = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            int got[3], want[3];
            PixelColor(dib, x, y, &got[0], &got[1], &got[2]);
            ref.rgb(x, y, &want[0], &want[1], &want[2]);
            for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(got[c] - want[c]));
        }
    return most;
}

// Sets pixel x of a packed palette row to `index`.
inline void SetIndex(BYTE* row, int x, int bitCount, int index) {
    const size_t bit = static_cast<size_t>(x) * bitCount;
    const int shift = 8 - bitCount - static_cast<int>(bit % 8);
    const BYTE mask = static_cast<BYTE>(((1 << bitCount) - 1) << shift);
    row[bit / 8] = static_cast<BYTE>((row[bit / 8] & ~mask) | (index << shift));
}

// Every pixel (x, picture row y) of a palette or 24-bit image set to the
// colour `color(x, y)` returns (as 0x00RRGGBB); palette images take it as an
// index into `table` instead.
inline void Paint(CNewDIB& dib, const std::function<uint32_t(int, int)>& color,
                  std::initializer_list<uint32_t> table = {}) {
    int entries = 0;
    RGBQUAD* quads = dib.GetRGBQuad(&entries);
    int i = 0;
    for (uint32_t c : table)
        if (quads && i < entries) quads[i++] = RGBQUAD{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
    for (int y = 0; y < dib.GetHeight(); ++y) {
        BYTE* row = dib.GetDIBRow(dib.GetHeight() - 1 - y);
        for (int x = 0; x < dib.GetWidth(); ++x) {
            const uint32_t c = color(x, y);
            if (dib.GetBitCount() <= 8) SetIndex(row, x, dib.GetBitCount(), static_cast<int>(c));
            else row[3 * x] = BYTE(c), row[3 * x + 1] = BYTE(c >> 8), row[3 * x + 2] = BYTE(c >> 16);
        }
    }
}

}  // namespace vtest
