#include "codecs/metadata/metadata_blocks.h"

#include <cstdint>
#include <cstring>

#include "environment/texts.h"
#include "velmora/dibfile.h"

namespace velmora {

namespace {

constexpr size_t kIccHeaderBytes = 128;
constexpr size_t kIccSignatureAt = 36;
constexpr unsigned kOrientationTag = 0x0112;
constexpr unsigned kShortType = 3;
constexpr size_t kEntryBytes = 12;

uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// The byte order a TIFF header names.
struct TiffOrder {
    bool little;

    unsigned U16(const Bytes& b, size_t at) const {
        return little ? b[at] | b[at + 1] << 8 : b[at] << 8 | b[at + 1];
    }
    uint32_t U32(const Bytes& b, size_t at) const {
        return little ? (static_cast<uint32_t>(U16(b, at + 2)) << 16) | U16(b, at)
                      : (static_cast<uint32_t>(U16(b, at)) << 16) | U16(b, at + 2);
    }
    void Put16(Bytes* b, size_t at, unsigned value) const {
        (*b)[at + (little ? 0 : 1)] = static_cast<unsigned char>(value & 0xFF);
        (*b)[at + (little ? 1 : 0)] = static_cast<unsigned char>(value >> 8);
    }
};

// The first directory's offset and entry count, checked against the
// block's size; false for anything else.
bool FirstDirectory(const Bytes& b, TiffOrder* order, size_t* at, unsigned* entries) {
    if (b.size() < 8) return false;
    if (b[0] == 'I' && b[1] == 'I') order->little = true;
    else if (b[0] == 'M' && b[1] == 'M') order->little = false;
    else return false;
    if (order->U16(b, 2) != 42) return false;
    const uint64_t ifd = order->U32(b, 4);
    if (ifd < 8 || ifd + 2 > b.size()) return false;
    const unsigned n = order->U16(b, static_cast<size_t>(ifd));
    if (ifd + 2 + uint64_t{n} * kEntryBytes > b.size()) return false;
    *at = static_cast<size_t>(ifd) + 2;
    *entries = n;
    return true;
}

// Where IFD0's Orientation value sits; 0 when the block has none.
size_t OrientationValueAt(const Bytes& b, TiffOrder* order) {
    size_t at = 0;
    unsigned entries = 0;
    if (!FirstDirectory(b, order, &at, &entries)) return 0;
    for (unsigned i = 0; i < entries; ++i, at += kEntryBytes)
        if (order->U16(b, at) == kOrientationTag)
            return order->U16(b, at + 2) == kShortType && order->U32(b, at + 4) >= 1 ? at + 8 : 0;
    return 0;
}

}  // namespace

bool IccWellFormed(const Bytes& icc) {
    if (icc.size() < kIccHeaderBytes) return false;
    const uint32_t declared = BigEndian32(icc.data());
    return declared >= kIccHeaderBytes && declared <= icc.size() &&
           std::memcmp(icc.data() + kIccSignatureAt, "acsp", 4) == 0;
}

bool ExifWellFormed(const Bytes& exif) {
    TiffOrder order{};
    size_t at = 0;
    unsigned entries = 0;
    return FirstDirectory(exif, &order, &at, &entries);
}

int ExifOrientation(const Bytes& exif) {
    TiffOrder order{};
    const size_t at = OrientationValueAt(exif, &order);
    if (at == 0) return 1;
    const unsigned value = order.U16(exif, at);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

bool SetExifOrientation(Bytes* exif, int orientation) {
    TiffOrder order{};
    const size_t at = OrientationValueAt(*exif, &order);
    if (at == 0) return false;
    order.Put16(exif, at, static_cast<unsigned>(orientation));
    return true;
}

void KeepIcc(CDIBFile& codec, Bytes icc) {
    if (icc.empty()) return;
    if (IccWellFormed(icc)) codec.m_metadata.icc = std::move(icc);
    else codec.m_strWarning = text::kMetadataIgnored;
}

void KeepExif(CDIBFile& codec, Bytes exif) {
    if (exif.empty()) return;
    if (ExifWellFormed(exif)) codec.m_metadata.exif = std::move(exif);
    else codec.m_strWarning = text::kMetadataIgnored;
}

}  // namespace velmora
