// PNG files written with libpng for the PNG tests: any colour type and bit
// depth, interlaced or not, any palette length, a tRNS chunk, pixels (indices
// or samples) from a function.
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
    int colorType = PNG_COLOR_TYPE_PALETTE;
    std::vector<png_color> palette;
    std::function<int(int x, int y)> index = [](int, int) { return 0; };  // y = picture row
    // Samples of the other colour types, channel c of pixel (x, y) in the
    // file's order (grey or red, green, blue, then alpha).
    std::function<int(int x, int y, int c)> sample = [](int, int, int) { return 0; };
    std::vector<png_byte> transparency;  // palette alphas; empty: no tRNS
    png_color_16 transparentColour{};    // grey or colour files: used when hasTransparentColour
    bool hasTransparentColour = false;
};

inline int ChannelsOf(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
    }
}

// One picture row as the file stores it: samples packed from the most
// significant bit below 8 bits, big-endian at 16.
inline void PackRow(const PngPicture& picture, int y, std::vector<png_byte>& row) {
    std::fill(row.begin(), row.end(), 0);
    const int channels = ChannelsOf(picture.colorType);
    const int depth = picture.bitDepth;
    for (int x = 0, bit = 0; x < picture.width; ++x)
        for (int c = 0; c < channels; ++c, bit += depth) {
            const int v = picture.colorType == PNG_COLOR_TYPE_PALETTE ? picture.index(x, y) : picture.sample(x, y, c);
            if (depth == 16) {
                row[bit / 8] = static_cast<png_byte>(v >> 8);
                row[bit / 8 + 1] = static_cast<png_byte>(v);
            } else {
                row[bit / 8] |= static_cast<png_byte>(v << (8 - depth - bit % 8));
            }
        }
}

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
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    if (!picture.palette.empty())
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    if (!picture.transparency.empty())
        png_set_tRNS(png, info, picture.transparency.data(), static_cast<int>(picture.transparency.size()), nullptr);
    if (picture.hasTransparentColour) {
        png_color_16 colour = picture.transparentColour;
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < picture.height; ++y) {
            PackRow(picture, y, row);
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    return true;
}

inline bool WritePng(const std::string& path, const PngPicture& picture) {
    std::vector<png_byte> row((picture.width * picture.bitDepth * ChannelsOf(picture.colorType) + 7) / 8);
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
