// Hand-made BMP files for tests that need a particular header or data stream.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "velmora/wintypes.h"

namespace vtest {

struct BmpSpec {
    int width = 4;
    int height = 2;  // negative: top-down
    int bitCount = 8;
    DWORD compression = BI_RGB;
    DWORD infoSize = 40;       // extra header bytes are zero
    int colorEntries = -1;     // -1: 2^bitCount up to 8 bits
    std::vector<uint8_t> data;  // pixel data as stored in the file
};

inline void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// Colour entry i is (blue i, green 255 - i, red i / 2).
inline std::vector<uint8_t> BuildBmp(const BmpSpec& spec) {
    int entries = spec.colorEntries >= 0 ? spec.colorEntries : (spec.bitCount <= 8 ? 1 << spec.bitCount : 0);
    size_t offBits = 14 + spec.infoSize + 4 * static_cast<size_t>(entries);
    std::vector<uint8_t> out(offBits + spec.data.size());
    out[0] = 'B', out[1] = 'M';
    PutLe(out, 2, static_cast<uint32_t>(out.size()), 4);
    PutLe(out, 10, static_cast<uint32_t>(offBits), 4);
    PutLe(out, 14, spec.infoSize, 4);
    PutLe(out, 18, static_cast<uint32_t>(spec.width), 4);
    PutLe(out, 22, static_cast<uint32_t>(spec.height), 4);
    PutLe(out, 26, 1, 2);
    PutLe(out, 28, static_cast<uint32_t>(spec.bitCount), 2);
    PutLe(out, 30, spec.compression, 4);
    PutLe(out, 34, static_cast<uint32_t>(spec.data.size()), 4);
    for (int i = 0; i < entries; ++i) {
        size_t at = 14 + spec.infoSize + 4 * static_cast<size_t>(i);
        out[at] = static_cast<uint8_t>(i);
        out[at + 1] = static_cast<uint8_t>(255 - i);
        out[at + 2] = static_cast<uint8_t>(i / 2);
    }
    if (!spec.data.empty()) std::memcpy(out.data() + offBits, spec.data.data(), spec.data.size());
    return out;
}

}  // namespace vtest
