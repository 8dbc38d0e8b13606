#include "codecs/tiff/tiff_metadata.h"

#include "codecs/metadata/metadata_blocks.h"
#include "codecs/tiff/tiff_exif.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"

namespace velmora::tiff {

void TakeMetadata(CDIBFile& codec, TIFF* tif) {
    uint32_t length = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &profile) && profile) {
        const auto* bytes = static_cast<const unsigned char*>(profile);
        KeepIcc(codec, Bytes(bytes, bytes + length));
    }
    Bytes exif;
    const ExifFound found = ReadExif(tif, &exif);
    if (found == ExifFound::kDamaged) codec.m_strWarning = text::kMetadataIgnored;
    if (found == ExifFound::kKept) KeepExif(codec, std::move(exif));
}

bool WriteMetadataDirectories(TIFF* tif, const ImageMetadata& metadata, uint64_t* exifOffset) {
    return WriteExifDirectory(tif, metadata.exif, exifOffset);
}

void SetMetadataTags(TIFF* tif, const ImageMetadata& metadata, uint64_t exifOffset) {
    if (!metadata.icc.empty())
        TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(metadata.icc.size()), metadata.icc.data());
    SetExifTags(tif, metadata.exif, exifOffset);
}

}  // namespace velmora::tiff
