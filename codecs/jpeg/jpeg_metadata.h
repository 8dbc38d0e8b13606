// A JPEG's EXIF block (APP1 "Exif\0\0") and ICC profile (APP2 chunks):
// kept by reads, written again by saves. The EXIF Orientation is what the
// document turns the picture by, as a TIFF's Orientation tag.
#pragma once

#include "codecs/jpeg/jpeg_trap.h"
#include "velmora/image_metadata.h"

class CDIBFile;

namespace velmora::jpeg {

// Before jpeg_read_header: have the library keep APP1 and APP2 markers.
void KeepMetadataMarkers(jpeg_decompress_struct* info);

// After jpeg_read_header: the blocks into codec.m_metadata (damaged ones
// dropped with a note) and the EXIF Orientation into codec.m_nOrientation.
void TakeMetadata(CDIBFile& codec, jpeg_decompress_struct* info);

// After jpeg_start_compress, before the first scanline; under the trap.
// An EXIF block too large for one marker is left out.
void WriteMetadata(jpeg_compress_struct* info, const ImageMetadata& metadata);

}  // namespace velmora::jpeg
