#include "codecs/bmp/bmp_bitfields.h"

#include "frame/endian.h"

namespace velmora::bmp {

BitFields::BitFields(const DWORD (&masks)[4], int bitCount) : m_nBitCount(bitCount) {
    // A 16-bit pixel has no bits above its sixteenth.
    const uint32_t pixelBits = bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i) m_channels[i] = MakeChannel(masks[i] & pixelBits);
}

// The mask's lowest set bit and the run of bits above it; bits of the mask
// past a gap are taken as they come (masks are contiguous in real files).
BitFields::Channel BitFields::MakeChannel(uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (!mask) return c;
    while (!(mask >> c.shift & 1)) ++c.shift;
    c.max = mask >> c.shift;
    while (c.bits < 32 && c.max >> c.bits) ++c.bits;
    return c;
}

// Narrow channels repeat their bits downwards (5 bits abcde give abcdeabc),
// so 0 and the largest value become 0 and 255; wide ones keep their top 8.
BYTE BitFields::Scale(const Channel& c, uint32_t pixel) {
    if (!c.max) return 0;
    const uint32_t v = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8) return static_cast<BYTE>(v >> (c.bits - 8));
    uint32_t out = 0;
    for (int at = 8 - c.bits; at > -c.bits; at -= c.bits) out |= at >= 0 ? v << at : v >> -at;
    return static_cast<BYTE>(out);
}

void BitFields::ConvertRow(const BYTE* in, int width, BYTE* out) const {
    const size_t inBytes = m_nBitCount == 16 ? 2 : 4;
    const size_t outBytes = m_nBitCount == 16 ? 3 : 4;
    for (int x = 0; x < width; ++x) {
        const BYTE* p = in + static_cast<size_t>(x) * inBytes;
        const uint32_t pixel = inBytes == 2 ? ReadLE16(p) : ReadLE32(p);
        BYTE* o = out + static_cast<size_t>(x) * outBytes;
        o[0] = Scale(m_channels[2], pixel);
        o[1] = Scale(m_channels[1], pixel);
        o[2] = Scale(m_channels[0], pixel);
        if (outBytes == 4) o[3] = Scale(m_channels[3], pixel);
    }
}

}  // namespace velmora::bmp
