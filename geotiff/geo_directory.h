// The entries of a TIFF directory that the GeoTIFF loader takes, rebuilt as
// a small directory of their own for libtiff to read: the six GeoTIFF tags,
// GDAL's two, and the picture's size, sample width and orientation, each typed as the loader reads it (the file's type
// is not consulted) and with its count bounded by the file, so what a hostile count asks for is never more than the
// file holds.
#pragma once

#include <cstdint>
#include <vector>

#include "geotiff/tiff_layout.h"
#include "velmora/cfile.h"

namespace velmora::geo {

constexpr uint16_t kImageWidthTag = 256;
constexpr uint16_t kImageLengthTag = 257;
constexpr uint16_t kBitsPerSampleTag = 258;
constexpr uint16_t kOrientationTag = 274;

// One entry taken: its tag, the count the file declared for it, and the
// count libtiff is asked to read.
struct TakenTag {
    uint16_t tag;
    uint64_t declared;
    uint64_t bounded;
};

struct TakenDirectory {
    TiffLayout layout;
    std::vector<TakenTag> tags;        // ascending
    std::vector<unsigned char> bytes;  // entry count, entries, next offset 0
};

// Values the loader reads for `tag` whatever the file's count says (the
// pixel scale and the transformation), else 0.
uint64_t FixedCount(uint16_t tag);

// The directory at `offset` of `file` (of `length` bytes), walked in file
// order: tags below the GeoTIFF range are skipped, past it only GDAL's two
// are taken, and the walk stops after them; a later entry of a tag replaces
// an earlier one. What lies past the file's end reads as zero.
TakenDirectory TakeGeoEntries(CFile& file, uint64_t length, const TiffLayout& layout, uint64_t offset);

// A directory of one key-directory entry at `offset`, of as many values as a
// key directory may hold.
TakenDirectory TakeKeyDirectoryAt(CFile& file, uint64_t length, const TiffLayout& layout, uint64_t offset);

// `bytes` bytes of `file` from `offset`, zero where the file ends first.
void ReadZeroFilled(CFile& file, uint64_t offset, unsigned char* buffer, size_t bytes);

}  // namespace velmora::geo
