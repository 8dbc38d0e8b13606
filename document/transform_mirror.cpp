#include "document/transform_mirror.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/dib_geometry.h"

namespace velmora {
namespace {

// Each byte with the order of its `bits`-wide pixels reversed.
constexpr std::array<BYTE, 256> PixelReversalTable(int bits) {
    std::array<BYTE, 256> table{};
    const unsigned mask = (1u << bits) - 1;
    for (unsigned value = 0; value < 256; ++value) {
        unsigned reversed = 0;
        for (int shift = 0; shift < 8; shift += bits) reversed = (reversed << bits) | ((value >> shift) & mask);
        table[value] = static_cast<BYTE>(reversed);
    }
    return table;
}

constexpr std::array<BYTE, 256> kReversed1 = PixelReversalTable(1);
constexpr std::array<BYTE, 256> kReversed4 = PixelReversalTable(4);

void MirrorBytes(const BYTE* src, BYTE* dst, size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word;
        std::memcpy(&word, src + count - i - 8, 8);
        word = __builtin_bswap64(word);
        std::memcpy(dst + i, &word, 8);
    }
    for (; i < count; ++i) dst[i] = src[count - 1 - i];
}

// Four-byte moves in ascending destination order: the byte each one spills
// into the next pixel is written again by the next move. The row's first
// and last destination pixels move as three bytes, so nothing is read or
// written outside the pixels.
void MirrorTriples(const BYTE* src, BYTE* dst, size_t width) {
    std::memcpy(dst, src + 3 * (width - 1), 3);
    for (size_t x = 1; x + 1 < width; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, src + 3 * (width - 1 - x), 4);
        std::memcpy(dst + 3 * x, &pixel, 4);
    }
    if (width > 1) std::memcpy(dst + 3 * (width - 1), src, 3);
}

// Whole pixels of `size` bytes (16- and 32-bit), each kept in its byte order.
void MirrorWholePixels(const BYTE* src, BYTE* dst, size_t width, size_t size) {
    for (size_t x = 0; x < width; ++x) std::memcpy(dst + size * x, src + size * (width - 1 - x), size);
}

// Reversing the bytes and the pixels inside each byte mirrors the row with
// the unused bits of the last byte now in front; shifting the row left by
// that many bits packs it from the first byte again and leaves zeros behind.
void MirrorPacked(const BYTE* src, BYTE* dst, int width, int bitCount) {
    const std::array<BYTE, 256>& reversed = bitCount == 1 ? kReversed1 : kReversed4;
    const size_t bytes = PixelBytes(width, bitCount);
    for (size_t i = 0; i < bytes; ++i) dst[i] = reversed[src[bytes - 1 - i]];
    const int unused = static_cast<int>(bytes * 8 - static_cast<size_t>(width) * static_cast<size_t>(bitCount));
    if (unused == 0) return;
    for (size_t i = 0; i + 1 < bytes; ++i)
        dst[i] = static_cast<BYTE>((dst[i] << unused) | (dst[i + 1] >> (8 - unused)));
    dst[bytes - 1] = static_cast<BYTE>(dst[bytes - 1] << unused);
}

}  // namespace

bool CanMirror(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

void MirrorRow(const BYTE* src, BYTE* dst, int width, int bitCount) {
    if (width <= 0) return;
    switch (bitCount) {
        case 8:
            return MirrorBytes(src, dst, static_cast<size_t>(width));
        case 16:
            return MirrorWholePixels(src, dst, static_cast<size_t>(width), 2);
        case 24:
            return MirrorTriples(src, dst, static_cast<size_t>(width));
        case 32:
            return MirrorWholePixels(src, dst, static_cast<size_t>(width), 4);
        default:
            return MirrorPacked(src, dst, width, bitCount);
    }
}

}  // namespace velmora
