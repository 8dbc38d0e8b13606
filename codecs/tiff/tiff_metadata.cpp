#include "codecs/tiff/tiff_metadata.h"

#include "codecs/metadata/metadata_blocks.h"
#include "velmora/dibfile.h"

namespace velmora::tiff {

void TakeMetadata(CDIBFile& codec, TIFF* tif) {
    uint32_t length = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &profile) && profile) {
        const auto* bytes = static_cast<const unsigned char*>(profile);
        KeepIcc(codec, Bytes(bytes, bytes + length));
    }
}

void SetMetadataTags(TIFF* tif, const ImageMetadata& metadata) {
    if (!metadata.icc.empty())
        TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(metadata.icc.size()), metadata.icc.data());
}

}  // namespace velmora::tiff
