// Hand-made BMP files for tests that need a particular header or data stream.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "velmora/wintypes.h"

namespace vtest {

struct BmpLayout {
    int width = 4;
    int height = 2;  // negative: top-down
    int bitCount = 8;
    DWORD compression = BI_RGB;
    int colorEntries = -1;      // -1: 2^bitCount up to 8 bits
    std::vector<uint8_t> data;  // pixel data as stored in the file
};

inline void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// A 40-byte info header and a colour table of zeros.
inline std::vector<uint8_t> BuildBmp(const BmpLayout& layout) {
    const int entries =
        layout.colorEntries >= 0 ? layout.colorEntries : (layout.bitCount <= 8 ? 1 << layout.bitCount : 0);
    const size_t offBits = 54 + 4 * static_cast<size_t>(entries);
    std::vector<uint8_t> out(offBits + layout.data.size());
    out[0] = 'B', out[1] = 'M';
    PutLe(out, 2, static_cast<uint32_t>(out.size()), 4);
    PutLe(out, 10, static_cast<uint32_t>(offBits), 4);
    PutLe(out, 14, 40, 4);
    PutLe(out, 18, static_cast<uint32_t>(layout.width), 4);
    PutLe(out, 22, static_cast<uint32_t>(layout.height), 4);
    PutLe(out, 26, 1, 2);
    PutLe(out, 28, static_cast<uint32_t>(layout.bitCount), 2);
    PutLe(out, 30, layout.compression, 4);
    PutLe(out, 34, static_cast<uint32_t>(layout.data.size()), 4);
    if (!layout.data.empty()) std::memcpy(out.data() + offBits, layout.data.data(), layout.data.size());
    return out;
}

}  // namespace vtest
