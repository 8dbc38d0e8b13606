// The values of a taken directory (geotiff/geo_directory.h), read by
// libtiff: the directory is shown to it just past the file's end, over the
// file's own bytes, so libtiff decides where each value lies (in the entry or
// at its offset) and converts it from the file's byte order, for classic TIFF
// and BigTIFF alike.
#pragma once

#include <functional>

#include "geotiff/geo_directory.h"

namespace velmora::geo {

// libtiff's values of one taken tag, valid during the call: `count` values
// of `type` (TIFF_SHORT, TIFF_LONG, TIFF_DOUBLE or, for texts, bytes as
// stored); none when libtiff gave none.
struct TagValues {
    TakenTag taken;
    const void* data;
    uint32_t count;
    int type;
};

// Calls `take` for each taken tag, in the directory's order, while libtiff
// holds the values (the one copy the caller makes is the only other). A
// failed read of the file throws its CFileException once libtiff is done;
// values libtiff could not hold (its only reason to give none, the reads
// being bounded and never short) throw std::bad_alloc.
void ReadTakenValues(CFile& file, uint64_t length, const TakenDirectory& directory,
                     const std::function<void(const TagValues&)>& take);

}  // namespace velmora::geo
