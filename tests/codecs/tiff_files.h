// TIFF files made for the tests with libtiff itself, and small edits of real
// files, for the layouts the bundled samples do not cover.
#pragma once

#include <tiffio.h>

#include <functional>
#include <string>
#include <vector>

#include "codecs/image_fixture.h"

namespace vtest {

// Byte i of TIFF row t in the files below.
inline BYTE TiffByte(uint32_t t, size_t i) { return static_cast<BYTE>(t * 5 + i * 3 + (t * i) / 7); }

// A strip file of `rows` rows of `rowBytes` bytes each filled with TiffByte;
// `tags` sets everything else (width, samples, photometric, ...).
inline bool WriteTiff(const std::string& path, uint32_t rows, size_t rowBytes, const std::function<void(TIFF*)>& tags) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, rows);
    tags(tif);
    std::vector<BYTE> row(rowBytes);
    bool ok = true;
    for (uint32_t t = 0; t < rows && ok; ++t) {
        for (size_t i = 0; i < rowBytes; ++i) row[i] = TiffByte(t, i);
        ok = TIFFWriteScanline(tif, row.data(), t, 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

// Sets a SHORT or LONG entry of the first directory of a little-endian
// classic TIFF held in `file` (the first value of an entry whose values lie
// elsewhere); false when the entry is not there.
inline bool PatchTag(std::vector<unsigned char>& file, uint16_t tag, uint32_t value) {
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(file[at] | file[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    size_t ifd = u32(4);
    for (uint32_t k = 0, n = u16(ifd); k < n; ++k) {
        size_t entry = ifd + 2 + 12 * k;
        if (u16(entry) != tag) continue;
        int bytes = u16(entry + 2) == TIFF_SHORT ? 2 : 4;
        size_t at = u32(entry + 4) * bytes > 4 ? u32(entry + 8) : entry + 8;
        for (int b = 0; b < bytes; ++b) file[at + b] = static_cast<unsigned char>(value >> (8 * b));
        return true;
    }
    return false;
}

}  // namespace vtest
