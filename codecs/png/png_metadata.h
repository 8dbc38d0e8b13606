// A PNG's colour profile (iCCP) and EXIF block (eXIf) kept by reads and
// written again by saves.
#pragma once

#include <png.h>

#include "velmora/image_metadata.h"

class CDIBFile;

namespace velmora::png {

// After png_read_info, outside the recovery point (it makes vectors):
// the chunks before the image data into codec.m_metadata.
void TakeMetadata(CDIBFile& codec, png_structp png, png_infop info);

// Before png_write_info, under the recovery point: the chunks to write.
// A profile libpng finds fault with is left out with a warning rather than
// failing the save.
void SetMetadata(png_structp png, png_infop info, const ImageMetadata& metadata);

}  // namespace velmora::png
