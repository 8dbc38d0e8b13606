#include "codecs/png/png_metadata.h"

#include "codecs/metadata/metadata_blocks.h"
#include "velmora/dibfile.h"

namespace velmora::png {

void TakeMetadata(CDIBFile& codec, png_structp png, png_infop info) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length) && profile)
        KeepIcc(codec, Bytes(profile, profile + length));
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    if (png_get_eXIf_1(png, info, &exifLength, &exif) && exif) KeepExif(codec, Bytes(exif, exif + exifLength));
}

void SetMetadata(png_structp png, png_infop info, const ImageMetadata& metadata) {
    if (metadata.empty()) return;
    png_set_benign_errors(png, 1);
    if (!metadata.icc.empty())
        png_set_iCCP(png, info, "ICC Profile", PNG_COMPRESSION_TYPE_BASE, metadata.icc.data(),
                     static_cast<png_uint_32>(metadata.icc.size()));
    if (!metadata.exif.empty())
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(metadata.exif.size()),
                       const_cast<png_bytep>(metadata.exif.data()));
}

}  // namespace velmora::png
