#include "codecs/jpeg/jpeg_metadata.h"

#include <cstdlib>
#include <cstring>

#include "codecs/metadata/metadata_blocks.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"

namespace velmora::jpeg {

namespace {

constexpr unsigned kMaxMarkerBytes = 0xFFFF;
constexpr int kExifMarker = JPEG_APP0 + 1;
constexpr int kIccMarker = JPEG_APP0 + 2;
const char kExifPrefix[] = "Exif\0";  // with its terminator: six bytes
constexpr size_t kExifPrefixBytes = 6;
const char kIccPrefix[] = "ICC_PROFILE";  // with its terminator: twelve bytes
constexpr size_t kIccPrefixBytes = 12;
// A marker's data after its two length bytes.
constexpr size_t kMarkerDataBytes = 65533;

bool Starts(const jpeg_saved_marker_ptr marker, const char* prefix, size_t bytes) {
    return marker->data_length >= bytes && std::memcmp(marker->data, prefix, bytes) == 0;
}

Bytes ExifOf(const jpeg_decompress_struct* info) {
    for (jpeg_saved_marker_ptr m = info->marker_list; m; m = m->next)
        if (m->marker == kExifMarker && Starts(m, kExifPrefix, kExifPrefixBytes))
            return Bytes(m->data + kExifPrefixBytes, m->data + m->data_length);
    return Bytes();
}

bool HasIccMarker(const jpeg_decompress_struct* info) {
    for (jpeg_saved_marker_ptr m = info->marker_list; m; m = m->next)
        if (m->marker == kIccMarker && Starts(m, kIccPrefix, kIccPrefixBytes)) return true;
    return false;
}

// The chunks joined by the library; their order and count are its checks.
Bytes IccOf(jpeg_decompress_struct* info, bool* damaged) {
    JOCTET* data = nullptr;
    unsigned length = 0;
    Bytes icc;
    if (jpeg_read_icc_profile(info, &data, &length) && data) icc.assign(data, data + length);
    std::free(data);
    *damaged = icc.empty() && HasIccMarker(info);
    return icc;
}

}  // namespace

void KeepMetadataMarkers(jpeg_decompress_struct* info) {
    jpeg_save_markers(info, kExifMarker, kMaxMarkerBytes);
    jpeg_save_markers(info, kIccMarker, kMaxMarkerBytes);
}

void TakeMetadata(CDIBFile& codec, jpeg_decompress_struct* info) {
    Bytes exif = ExifOf(info);
    codec.m_nOrientation = ExifWellFormed(exif) ? ExifOrientation(exif) : 1;
    KeepExif(codec, std::move(exif));
    bool damaged = false;
    KeepIcc(codec, IccOf(info, &damaged));
    if (damaged) codec.m_strWarning = text::kMetadataIgnored;
}

void WriteMetadata(jpeg_compress_struct* info, const ImageMetadata& metadata) {
    // Byte by byte: nothing with a destructor may stand where the trap's
    // longjmp would pass.
    if (!metadata.exif.empty() && metadata.exif.size() + kExifPrefixBytes <= kMarkerDataBytes) {
        jpeg_write_m_header(info, kExifMarker, static_cast<unsigned>(metadata.exif.size() + kExifPrefixBytes));
        for (size_t i = 0; i < kExifPrefixBytes; ++i) jpeg_write_m_byte(info, kExifPrefix[i]);
        for (const unsigned char byte : metadata.exif) jpeg_write_m_byte(info, byte);
    }
    if (!metadata.icc.empty())
        jpeg_write_icc_profile(info, metadata.icc.data(), static_cast<unsigned>(metadata.icc.size()));
}

}  // namespace velmora::jpeg
