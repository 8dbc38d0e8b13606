// TIFF layouts written here sample by sample and read back to those samples:
// tiles whose rows end inside a byte, separate planes of compressed strips
// larger than the row window (read a row at a time, each plane in order), in
// memory and in page files with the smallest windows; and JPEG YCbCr planes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "codecs/tiff_files.h"

namespace {

struct TiffLayout {
    const char* name;
    uint16_t bits, samples, format, planar, compression;
    uint32_t width, height;
    uint32_t tileWidth, tileLength;  // 0: one strip of the whole picture
};

uint32_t Mask(int bits) { return (1u << bits) - 1; }

// Sample s of pixel (x, y) as stored; signed samples lie around zero.
int32_t SampleOf(const TiffLayout& l, uint32_t x, uint32_t y, int s) {
    const int32_t v = static_cast<int32_t>((x * 7 + y * 13 + s * 50 + x * y / 3) & Mask(l.bits));
    return l.format == SAMPLEFORMAT_INT ? v - 20000 : v;
}

void Put(BYTE* row, uint64_t index, const TiffLayout& l, int32_t value) {
    if (l.bits == 16) {  // libtiff takes 16-bit samples in the machine's order
        const uint16_t v = static_cast<uint16_t>(value);
        std::memcpy(row + 2 * index, &v, 2);
        return;
    }
    for (int b = 0; b < l.bits; ++b)
        if (value >> (l.bits - 1 - b) & 1) row[(index * l.bits + b) / 8] |= static_cast<BYTE>(0x80 >> (index * l.bits + b) % 8);
}

bool Separate(const TiffLayout& l) { return l.planar == PLANARCONFIG_SEPARATE && l.samples > 1; }

// Pixels [x0, x0 + count) of row y (of plane `plane` when separate); those
// outside the picture stay zero.
std::vector<BYTE> Packed(const TiffLayout& l, uint32_t x0, uint32_t count, uint32_t y, int plane) {
    const int per = Separate(l) ? 1 : l.samples;
    std::vector<BYTE> row((uint64_t{count} * per * l.bits + 7) / 8, 0);
    for (uint32_t x = x0; x < std::min(x0 + count, l.width); ++x)
        for (int k = 0; k < per; ++k) Put(row.data(), uint64_t{x - x0} * per + k, l, SampleOf(l, x, y, per == 1 ? plane : k));
    return row;
}

// An uncompressed single-sample file of tiles that are no multiple of 16
// wide, byte by byte: libtiff writes no such tiles, but reads them.
bool WriteOddTiles(const std::string& path, const TiffLayout& l) {
    std::vector<BYTE> file(8, 0);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int b = 0; b < bytes; ++b) file[at + b] = static_cast<BYTE>(v >> 8 * b);
    };
    file[0] = file[1] = 'I', file[2] = 42;
    std::vector<uint32_t> offsets, counts;
    for (uint32_t y0 = 0; y0 < l.height; y0 += l.tileLength)
        for (uint32_t x0 = 0; x0 < l.width; x0 += l.tileWidth) {
            offsets.push_back(static_cast<uint32_t>(file.size()));
            for (uint32_t y = y0; y < y0 + l.tileLength; ++y) {
                const std::vector<BYTE> row = Packed(l, x0, l.tileWidth, std::min(y, l.height - 1), 0);
                file.insert(file.end(), row.begin(), row.end());
            }
            counts.push_back(static_cast<uint32_t>(file.size()) - offsets.back());
        }
    const uint32_t arrays = static_cast<uint32_t>(file.size()), n = static_cast<uint32_t>(offsets.size());
    for (uint32_t v : offsets) file.resize(file.size() + 4), put(file.size() - 4, v, 4);
    for (uint32_t v : counts) file.resize(file.size() + 4), put(file.size() - 4, v, 4);
    const struct {
        uint16_t tag, type;
        uint32_t count, value;
    } entries[] = {{256, TIFF_LONG, 1, l.width}, {257, TIFF_LONG, 1, l.height}, {258, TIFF_SHORT, 1, l.bits},
                   {259, TIFF_SHORT, 1, COMPRESSION_NONE}, {262, TIFF_SHORT, 1, PHOTOMETRIC_MINISBLACK},
                   {277, TIFF_SHORT, 1, 1}, {322, TIFF_LONG, 1, l.tileWidth}, {323, TIFF_LONG, 1, l.tileLength},
                   {324, TIFF_LONG, n, n == 1 ? offsets[0] : arrays}, {325, TIFF_LONG, n, n == 1 ? counts[0] : arrays + 4 * n}};
    const size_t ifd = file.size();
    put(4, static_cast<uint32_t>(ifd), 4);
    file.resize(ifd + 2 + 12 * std::size(entries) + 4, 0);
    put(ifd, static_cast<uint32_t>(std::size(entries)), 2);
    for (size_t i = 0; i < std::size(entries); ++i) {
        const size_t at = ifd + 2 + 12 * i;
        put(at, entries[i].tag, 2), put(at + 2, entries[i].type, 2), put(at + 4, entries[i].count, 4);
        put(at + 8, entries[i].value, entries[i].type == TIFF_SHORT ? 2 : 4);
    }
    std::ofstream out(path, std::ios::binary);
    return static_cast<bool>(out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size())));
}

// One strip of the whole picture, through libtiff.
bool Write(const std::string& path, const TiffLayout& l) {
    if (l.tileWidth) return WriteOddTiles(path, l);
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, l.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, l.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, l.format);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, l.height);
    bool ok = true;
    for (int s = 0; s < (Separate(l) ? l.samples : 1); ++s)
        for (uint32_t y = 0; y < l.height && ok; ++y)
            ok = TIFFWriteScanline(tif, Packed(l, 0, l.width, y, s).data(), y, static_cast<uint16_t>(s)) >= 0;
    TIFFClose(tif);
    return ok;
}

// The level a sample becomes: a grey ramp entry for 1 to 8 bits, the high
// byte of wider unsigned samples, the stretch of the picture's range for signed ones.
int Level(const TiffLayout& l, int32_t v, int32_t low, int32_t high) {
    if (l.format == SAMPLEFORMAT_INT) return static_cast<int>((v - low) * (255.0 / (high - low)));
    if (l.bits <= 8) return static_cast<int>(v * (255 / Mask(l.bits)));
    return v >> (l.bits - 8);
}

// Pixels whose colour is not the samples' levels.
int Differing(CNewDIB& dib, const TiffLayout& l) {
    int32_t low = INT32_MAX, high = INT32_MIN;
    for (uint32_t y = 0; y < l.height; ++y)
        for (uint32_t x = 0; x < l.width; ++x)
            for (int s = 0; s < l.samples; ++s) low = std::min(low, SampleOf(l, x, y, s)), high = std::max(high, SampleOf(l, x, y, s));
    int differing = 0;
    for (uint32_t y = 0; y < l.height; ++y)
        for (uint32_t x = 0; x < l.width; ++x) {
            int rgb[3];
            vtest::PixelColor(dib, static_cast<int>(x), static_cast<int>(y), &rgb[0], &rgb[1], &rgb[2]);
            for (int c = 0; c < 3; ++c) differing += rgb[c] != Level(l, SampleOf(l, x, y, l.samples == 3 ? c : 0), low, high);
        }
    return differing;
}

class TiffLayouts : public ::testing::TestWithParam<std::tuple<TiffLayout, bool>> {};

TEST_P(TiffLayouts, ReadToTheirSamples) {
    const TiffLayout& l = std::get<0>(GetParam());
    std::unique_ptr<vtest::PageFileMode> pages(std::get<1>(GetParam()) ? new vtest::PageFileMode(64 * 1024) : nullptr);
    vtest::TempDir dir;
    const std::string path = dir.file("layout.tif");
    ASSERT_TRUE(Write(path, l));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_EQ(Differing(dib, l), 0);
}

constexpr uint16_t kUint = SAMPLEFORMAT_UINT, kInt = SAMPLEFORMAT_INT, kChunky = PLANARCONFIG_CONTIG,
                   kPlanes = PLANARCONFIG_SEPARATE, kNone = COMPRESSION_NONE, kDeflate = COMPRESSION_ADOBE_DEFLATE,
                   kLzw = COMPRESSION_LZW;

const TiffLayout kLayouts[] = {
    // tiles whose width is not a whole number of bytes (made byte by byte)
    {"1-bit tiles 3 wide", 1, 1, kUint, kChunky, kNone, 10, 7, 3, 4},
    {"4-bit tiles 3 wide", 4, 1, kUint, kChunky, kNone, 11, 5, 3, 2},
    {"12-bit tiles 5 wide", 12, 1, kUint, kChunky, kNone, 13, 9, 5, 4},
    // separate planes of one compressed strip, larger than a window
    {"16-bit planes, one Deflate strip", 16, 3, kUint, kPlanes, kDeflate, 200, 120, 0, 0},
    {"8-bit planes, one LZW strip", 8, 3, kUint, kPlanes, kLzw, 300, 250, 0, 0},
    {"signed 16-bit planes, one Deflate strip", 16, 3, kInt, kPlanes, kDeflate, 200, 120, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Written, TiffLayouts, ::testing::Combine(::testing::ValuesIn(kLayouts), ::testing::Bool()),
                         [](const auto& info) {
                             std::string name = std::string(std::get<0>(info.param).name) +
                                                (std::get<1>(info.param) ? " pages" : " memory");
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace

namespace {

// Flat 16 x 16 blocks of colour (red, green, blue), kept by JPEG within a level or two.
void BlockColour(uint32_t x, uint32_t y, int rgb[3]) {
    const uint32_t b = x / 16 + y / 16 * 7;
    rgb[0] = static_cast<int>(b * 37 % 256), rgb[1] = static_cast<int>(b * 91 % 256), rgb[2] = static_cast<int>(b * 53 % 256);
}

// JPEG's full-range YCbCr of a colour: sample s (Y, Cb, Cr).
BYTE YCbCr(const int rgb[3], int s) {
    const double r = rgb[0], g = rgb[1], b = rgb[2];
    const double v = s == 0 ? 0.299 * r + 0.587 * g + 0.114 * b
                   : s == 1 ? 128 - 0.168736 * r - 0.331264 * g + 0.5 * b
                            : 128 + 0.5 * r - 0.418688 * g - 0.081312 * b;
    return static_cast<BYTE>(std::clamp(std::lround(v), 0L, 255L));
}

// JPEG-compressed YCbCr in separate planes: libtiff hands the planes over
// as they are stored, so they are no red, green and blue.
TEST(TiffLayoutsYCbCr, JpegPlanesReadAsTheirColours) {
    const uint32_t width = 64, height = 48;
    vtest::TempDir dir;
    const std::string path = dir.file("ycbcr.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 95);
    TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    std::vector<BYTE> row(width);
    for (int s = 0; s < 3; ++s)
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                int rgb[3];
                BlockColour(x, y, rgb);
                row[x] = YCbCr(rgb, s);
            }
            ASSERT_GE(TIFFWriteScanline(tif, row.data(), y, static_cast<uint16_t>(s)), 0);
        }
    TIFFClose(tif);
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    ASSERT_EQ(dib.GetBitCount(), 24);
    int differing = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            int got[3], want[3];
            vtest::PixelColor(dib, static_cast<int>(x), static_cast<int>(y), &got[0], &got[1], &got[2]);
            BlockColour(x, y, want);
            for (int c = 0; c < 3; ++c) differing += std::abs(got[c] - want[c]) > 4;
        }
    EXPECT_EQ(differing, 0);
}

}  // namespace
