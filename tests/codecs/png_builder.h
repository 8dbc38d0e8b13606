// Indexed PNG files written with libpng for the PNG tests: any bit depth,
// interlaced or not, any palette length, pixels from a function.
#pragma once

#include <png.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "codecs/image_fixture.h"

namespace vtest {

struct PngPicture {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::function<int(int x, int y)> index = [](int, int) { return 0; };  // y = picture row
};

inline std::vector<png_color> DistinctPalette(int count) {
    std::vector<png_color> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back({static_cast<png_byte>(i * 5 + 3), static_cast<png_byte>(255 - i), static_cast<png_byte>(i)});
    return palette;
}

// libpng's calls, under its recovery point; rows packed from the most
// significant bit, as PNG stores them.
inline bool WritePngTo(png_structp png, png_infop info, FILE* file, const PngPicture& picture, std::vector<png_byte>& row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, PNG_COLOR_TYPE_PALETTE,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < picture.height; ++y) {
            std::fill(row.begin(), row.end(), 0);
            for (int x = 0, bit = 0; x < picture.width; ++x, bit += picture.bitDepth)
                row[bit / 8] |= static_cast<png_byte>(picture.index(x, y) << (8 - picture.bitDepth - bit % 8));
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    return true;
}

inline bool WritePng(const std::string& path, const PngPicture& picture) {
    std::vector<png_byte> row((picture.width * picture.bitDepth + 7) / 8);
    FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool ok = file && info && WritePngTo(png, info, file, picture, row);
    png_destroy_write_struct(&png, &info);
    return file && std::fclose(file) == 0 && ok;
}

// Pixels of `dib` whose index differs from the picture's.
inline int PixelsDifferingFromPicture(CNewDIB& dib, const PngPicture& picture) {
    int differing = 0;
    for (int y = 0; y < picture.height; ++y) {
        const BYTE* row = dib.GetDIBRow(picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x)
            differing += static_cast<int>(PixelAt(row, x, picture.bitDepth)) != picture.index(x, y);
    }
    return differing;
}

}  // namespace vtest
