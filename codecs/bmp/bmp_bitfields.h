// Pixels of 16 or 32 bits whose channels lie where masks say (BI_BITFIELDS),
// converted to the image's blue-green-red pixels: three bytes for 16-bit
// files, four for 32-bit ones (the fourth the alpha channel, 0 without an
// alpha mask). A channel narrower than 8 bits repeats its bits to fill 8 (so
// 0 and its largest value become 0 and 255); a wider one keeps its top 8.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velmora/wintypes.h"

namespace velmora::bmp {

class BitFields {
public:
    // masks: red, green, blue, alpha (0: no such channel).
    BitFields(const DWORD (&masks)[4], int bitCount);

    // The first `width` pixels of a file row into an image row (three bytes
    // a pixel for 16-bit files, four for 32-bit ones).
    void ConvertRow(const BYTE* in, int width, BYTE* out) const;

private:
    struct Channel {
        uint32_t mask = 0;
        int shift = 0;
        uint32_t max = 0;  // the channel's largest value, 0 without one
        int bits = 0;
    };
    static Channel MakeChannel(uint32_t mask);
    static BYTE Scale(const Channel& c, uint32_t pixel);

    Channel m_channels[4];
    int m_nBitCount;
};

}  // namespace velmora::bmp
