// Writes a 24-bit (or 8-bit, palette) BMP of any size with real structure
// (gradients, rings and a grid, no noise), streaming one row at a time so it
// needs no memory for the image: the input for the larger-than-memory checks.
//   make_large_bmp WIDTH HEIGHT OUT.bmp [24|8]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Put16(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// Blue, green, red of pixel (x, y), y counted from the top.
void Pixel(int64_t x, int64_t y, int64_t w, int64_t h, unsigned char* p) {
    const int64_t dx = x - w / 2, dy = y - h / 2;
    const int64_t ring = static_cast<int64_t>(std::sqrt(static_cast<double>(dx * dx + dy * dy))) / 37;
    const bool grid = x % 500 < 3 || y % 500 < 3;
    p[0] = static_cast<unsigned char>(grid ? 255 : (x * 255 / (w > 1 ? w - 1 : 1)));
    p[1] = static_cast<unsigned char>(grid ? 255 : (y * 255 / (h > 1 ? h - 1 : 1)));
    p[2] = static_cast<unsigned char>(grid ? 0 : (ring % 2 ? 200 : 40) + (x ^ y) % 16);
}

// Palette index of pixel (x, y): the same gradient, rings and grid.
unsigned char Index(int64_t x, int64_t y, int64_t w, int64_t h) {
    const int64_t dx = x - w / 2, dy = y - h / 2;
    const int64_t ring = static_cast<int64_t>(std::sqrt(static_cast<double>(dx * dx + dy * dy))) / 37;
    if (x % 500 < 3 || y % 500 < 3) return 255;
    return static_cast<unsigned char>((ring % 2 ? 127 : 0) + x * 127 / (w > 1 ? w - 1 : 1));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: make_large_bmp WIDTH HEIGHT OUT.bmp [24|8]\n");
        return 2;
    }
    const int64_t w = std::atoll(argv[1]), h = std::atoll(argv[2]);
    const int bits = argc == 5 ? std::atoi(argv[4]) : 24;
    if (w <= 0 || h <= 0 || w > 1 << 20 || h > 1 << 20 || (bits != 24 && bits != 8)) return 2;
    const uint64_t stride = (static_cast<uint64_t>(w) * static_cast<uint64_t>(bits) + 31) / 32 * 4;
    const uint32_t offset = bits == 8 ? 54 + 1024 : 54;
    const uint64_t size = offset + stride * static_cast<uint64_t>(h);
    std::vector<unsigned char> header(offset, 0);
    header[0] = 'B', header[1] = 'M';
    Put32(header, 2, size <= UINT32_MAX ? static_cast<uint32_t>(size) : 0);
    Put32(header, 10, offset);
    Put32(header, 14, 40);
    Put32(header, 18, static_cast<uint32_t>(w));
    Put32(header, 22, static_cast<uint32_t>(h));
    Put16(header, 26, 1);
    Put16(header, 28, static_cast<uint32_t>(bits));
    for (int i = 0; bits == 8 && i < 256; ++i) {  // blue, green, red, 0
        header[54 + 4 * i] = static_cast<unsigned char>(i);
        header[55 + 4 * i] = static_cast<unsigned char>(255 - i);
        header[56 + 4 * i] = static_cast<unsigned char>(i / 2 + 64);
    }
    FILE* out = std::fopen(argv[3], "wb");
    if (!out) return 1;
    std::fwrite(header.data(), 1, header.size(), out);
    std::vector<unsigned char> row(stride, 0);
    for (int64_t r = 0; r < h; ++r) {
        const int64_t y = h - 1 - r;  // bottom row first
        for (int64_t x = 0; x < w; ++x)
            if (bits == 8) row[static_cast<size_t>(x)] = Index(x, y, w, h);
            else Pixel(x, y, w, h, &row[static_cast<size_t>(3 * x)]);
        if (std::fwrite(row.data(), 1, row.size(), out) != row.size()) return 1;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
