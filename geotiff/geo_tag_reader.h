// The values of a taken directory (geotiff/geo_directory.h), read by
// libtiff: the directory is shown to it just past the file's end, over the
// file's own bytes, so libtiff decides where each value lies (in the entry or
// at its offset) and converts it from the file's byte order, for classic TIFF
// and BigTIFF alike.
#pragma once

#include <string>
#include <vector>

#include "geotiff/geo_directory.h"

namespace velmora::geo {

struct TagValues {
    TakenTag taken;
    std::vector<double> doubles;  // double tags
    std::vector<uint16_t> shorts;  // the key directory
    std::string bytes;             // texts, as stored
    uint32_t number = 0;           // the picture's size and orientation
};

// One item per taken tag, in the directory's order. A failed read of the
// file throws its CFileException once libtiff is done; values libtiff could
// not hold (its only reason to give none, the reads being bounded and never
// short) throw std::bad_alloc.
std::vector<TagValues> ReadTakenValues(CFile& file, uint64_t length, const TakenDirectory& directory);

}  // namespace velmora::geo
