// Hand-made PCX files for tests that need a particular header or data stream.
#pragma once

#include <cstdint>
#include <vector>

namespace vtest {

struct PcxLayout {
    int manufacturer = 0x0A;
    int encoding = 1;
    int bitsPerPixel = 8;
    int planes = 1;
    int xMin = 0, yMin = 0, xMax = 3, yMax = 1;
    int planeBytes = 4;          // BPL
    int dpiX = 72, dpiY = 72;
    std::vector<uint8_t> palette;  // header triplets, up to 48 bytes
    std::vector<uint8_t> data;     // coded scan lines
    bool trailer = false;          // append 0x0C and 256 triplets (i, 255 - i, i / 2)
};

inline void PutLe16(std::vector<uint8_t>& out, size_t at, int value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

inline std::vector<uint8_t> BuildPcx(const PcxLayout& l) {
    const size_t trailer = l.trailer ? 769 : 0;
    std::vector<uint8_t> out(128 + l.data.size() + trailer);
    out[0] = static_cast<uint8_t>(l.manufacturer);
    out[1] = 5;
    out[2] = static_cast<uint8_t>(l.encoding);
    out[3] = static_cast<uint8_t>(l.bitsPerPixel);
    PutLe16(out, 4, l.xMin), PutLe16(out, 6, l.yMin), PutLe16(out, 8, l.xMax), PutLe16(out, 10, l.yMax);
    PutLe16(out, 12, l.dpiX), PutLe16(out, 14, l.dpiY);
    for (size_t i = 0; i < l.palette.size() && i < 48; ++i) out[16 + i] = l.palette[i];
    out[65] = static_cast<uint8_t>(l.planes);
    PutLe16(out, 66, l.planeBytes);
    for (size_t i = 0; i < l.data.size(); ++i) out[128 + i] = l.data[i];
    if (l.trailer) {
        uint8_t* t = out.data() + 128 + l.data.size();
        t[0] = 0x0C;
        for (int i = 0; i < 256; ++i) {
            t[1 + 3 * i] = static_cast<uint8_t>(i);
            t[2 + 3 * i] = static_cast<uint8_t>(255 - i);
            t[3 + 3 * i] = static_cast<uint8_t>(i / 2);
        }
    }
    return out;
}

}  // namespace vtest
