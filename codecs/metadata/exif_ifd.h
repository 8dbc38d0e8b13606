// The directories of an EXIF block entry by entry: read from the block or
// from a TIFF file (classic or BigTIFF, either byte order), and a block made
// from entries. Every offset and count is checked against the size of what
// is read before anything is read or allocated.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codecs/metadata/metadata_blocks.h"

namespace velmora {

// All the values of one EXIF, larger than any APP1 marker holds, well
// short of what a damaged count could ask for.
constexpr uint64_t kMaxExifBytes = 4 << 20;

// One entry: a TIFF field type of 1 (BYTE) to 13 (IFD) and `count` values
// of it, little-endian whatever the order of the source.
struct ExifEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    Bytes value;
};
using ExifEntries = std::vector<ExifEntry>;

// What directories are read from: `read` fills `out` with the `bytes` at
// `at`, and is asked only for ranges inside `size`.
struct IfdSource {
    uint64_t size = 0;
    bool little = true;
    bool bigTiff = false;  // 8-byte counts and offsets, 20-byte entries
    std::function<bool(uint64_t at, size_t bytes, unsigned char* out)> read;
};

// The directory at `offset`; entries of types outside 1..13 (BigTIFF's
// 64-bit ones) are left out. False when the directory or one of its values
// lies outside the source or the values exceed kMaxExifBytes.
bool ReadIfd(const IfdSource& source, uint64_t offset, ExifEntries* entries);

// The Exif sub-directory pointer, and the pointers to other directories
// (GPS, interoperability, SubIFDs) that a copied entry cannot carry.
constexpr uint16_t kExifIfdTag = 34665;
bool PointsToDirectory(const ExifEntry& entry);

// IFD0's entries and those of its Exif sub-directory, pointers left out.
// False when IFD0 is damaged; a damaged sub-directory gives no entries.
bool ReadExifBlock(const Bytes& block, ExifEntries* ifd0, ExifEntries* exif);

// A little-endian block: IFD0 of `ifd0`'s entries and, when `exif` has any,
// a pointer to a sub-directory of them. Entries are sorted by tag.
Bytes MakeExifBlock(ExifEntries ifd0, ExifEntries exif);

// Value k (below entry.count) as a number; a rational as its quotient, 0
// for a zero denominator.
double ExifNumber(const ExifEntry& entry, uint32_t k);

// An ASCII entry's text, up to its first NUL.
std::string ExifText(const ExifEntry& entry);

// Size in bytes of one value of a TIFF field type; 0 for types not kept.
unsigned ExifTypeBytes(unsigned type);

}  // namespace velmora
