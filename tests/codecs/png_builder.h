// Indexed PNG files written with libpng for the PNG tests: any bit depth,
// interlaced or not, any palette length, pixels from a function.
#pragma once

#include <png.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vtest {

struct PngSpec {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::function<int(int x, int y)> index = [](int, int) { return 0; };  // y = picture row
};

// A palette of `count` distinct colours.
inline std::vector<png_color> DistinctPalette(int count) {
    std::vector<png_color> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(png_color{static_cast<png_byte>(i * 5 + 3), static_cast<png_byte>(255 - i),
                                    static_cast<png_byte>(i * 11 + 7)});
    return palette;
}

// libpng's calls, under its recovery point.
inline bool WritePngRows(png_structp png, png_infop info, FILE* file, const PngSpec& spec,
                         std::vector<std::vector<png_byte>>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, PNG_COLOR_TYPE_PALETTE,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (auto& row : rows) png_write_row(png, row.data());
    png_write_end(png, info);
    return true;
}

inline bool WritePng(const std::string& path, const PngSpec& spec) {
    // Rows packed from the most significant bit, as PNG stores them.
    std::vector<std::vector<png_byte>> rows(static_cast<size_t>(spec.height),
                                            std::vector<png_byte>((spec.width * spec.bitDepth + 7) / 8));
    for (int y = 0; y < spec.height; ++y)
        for (int x = 0; x < spec.width; ++x) {
            const int bit = x * spec.bitDepth;
            rows[y][bit / 8] |= static_cast<png_byte>(spec.index(x, y) << (8 - spec.bitDepth - bit % 8));
        }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = info && WritePngRows(png, info, file, spec, rows);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

}  // namespace vtest
