// A TIFF's EXIF: the Exif directory (tag 34665) beside the image's, and the
// image directory's descriptive tags (Make, Model, DateTime...) that stand
// in IFD0 of an EXIF block. Reads copy the Exif directory's entries from the
// file; saves hand the block's entries to libtiff's EXIF directory support.
#pragma once

#include <tiffio.h>

#include "codecs/metadata/metadata_blocks.h"

namespace velmora::tiff {

enum class ExifFound { kNone, kKept, kDamaged };

// The image directory's EXIF as a block, when it points to an Exif
// directory with entries; kDamaged when that directory or one of its values
// lies outside the file. libtiff's current directory is left as it was.
ExifFound ReadExif(TIFF* tif, Bytes* block);

// Saves, before the image directory's tags are set: the block's Exif
// entries that libtiff knows, as a directory of their own, after which the
// image's directory starts afresh. *offset is 0 when nothing was written;
// false when the directory could not be written.
bool WriteExifDirectory(TIFF* tif, const Bytes& block, uint64_t* offset);

// The block's descriptive IFD0 tags, Orientation when it is 1 (any other
// value described pixels as they were stored before), and the pointer to
// the Exif directory WriteExifDirectory wrote.
void SetExifTags(TIFF* tif, const Bytes& block, uint64_t exifOffset);

}  // namespace velmora::tiff
