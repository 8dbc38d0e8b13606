// A TIFF's colour profile (tag 34675), kept by reads and written by saves.
#pragma once

#include <tiffio.h>

#include "velmora/image_metadata.h"

class CDIBFile;

namespace velmora::tiff {

void TakeMetadata(CDIBFile& codec, TIFF* tif);
void SetMetadataTags(TIFF* tif, const ImageMetadata& metadata);

}  // namespace velmora::tiff
