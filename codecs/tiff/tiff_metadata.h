// A TIFF's colour profile (tag 34675) and EXIF (tiff_exif.h), kept by reads
// and written by saves.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "velmora/image_metadata.h"

class CDIBFile;

namespace velmora::tiff {

// The profile and the EXIF of the current directory into codec.m_metadata;
// a damaged one is dropped with a note.
void TakeMetadata(CDIBFile& codec, TIFF* tif);
// Before the image directory's tags: the directories the metadata needs of
// its own (the Exif directory); false when one could not be written.
bool WriteMetadataDirectories(TIFF* tif, const ImageMetadata& metadata, uint64_t* exifOffset);
void SetMetadataTags(TIFF* tif, const ImageMetadata& metadata, uint64_t exifOffset);

}  // namespace velmora::tiff
