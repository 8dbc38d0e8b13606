// Adding tags to a TIFF file (classic or BigTIFF) without rewriting it: a new first
// directory is appended that repeats the old one's entries and adds the new
// tags, their data follows it, and the header is pointed at it last.
#pragma once

#include <vector>

#include "geotiff/geokey_table.h"
#include "velmora/cfile.h"

namespace velmora::geo {

// `file` is open for reading and writing. The file's own byte order is
// followed. Old entries with the tag of a new one are replaced; all entries
// are written in ascending tag order. The new directory starts on a word
// boundary, and data of four bytes or fewer is stored in its entry. Throws
// CFileException when the file is not a TIFF file whose first directory
// lies inside it, when the result would pass the 4 GiB that classic TIFF
// offsets reach, or when a read or write fails.
void AppendDirectory(CFile& file, const std::vector<GeoTag>& tags);

}  // namespace velmora::geo
