#include "codecs/tiff/tiff_exif.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <cstring>

#include "codecs/metadata/exif_ifd.h"

namespace velmora::tiff {

namespace {

// IFD0 tags of a camera's EXIF that a TIFF's image directory holds too.
constexpr uint16_t kDescriptiveTags[] = {TIFFTAG_IMAGEDESCRIPTION, TIFFTAG_MAKE,     TIFFTAG_MODEL,
                                         TIFFTAG_SOFTWARE,         TIFFTAG_DATETIME, TIFFTAG_ARTIST,
                                         TIFFTAG_HOSTCOMPUTER,     TIFFTAG_COPYRIGHT};

bool Descriptive(uint16_t tag) {
    return std::find(std::begin(kDescriptiveTags), std::end(kDescriptiveTags), tag) != std::end(kDescriptiveTags);
}

// The file under libtiff's handle, read through libtiff's own procedures;
// libtiff seeks before each of its reads, so moving the position is harmless.
IfdSource FileSource(TIFF* tif) {
    IfdSource source;
    thandle_t handle = TIFFClientdata(tif);
    source.size = TIFFGetSizeProc(tif)(handle);
    source.little = !TIFFIsBigEndian(tif);
    source.bigTiff = TIFFIsBigTIFF(tif) != 0;
    source.read = [tif, handle](uint64_t at, size_t bytes, unsigned char* out) {
        const tmsize_t wanted = static_cast<tmsize_t>(bytes);
        return TIFFGetSeekProc(tif)(handle, at, SEEK_SET) == at && TIFFGetReadProc(tif)(handle, out, wanted) == wanted;
    };
    return source;
}

ExifEntries DescriptiveEntries(TIFF* tif) {
    ExifEntries entries;
    for (const uint16_t tag : kDescriptiveTags) {
        const char* text = nullptr;
        if (TIFFGetField(tif, tag, &text) && text) {
            Bytes value(text, text + std::strlen(text) + 1);
            const auto count = static_cast<uint32_t>(value.size());
            entries.push_back({tag, TIFF_ASCII, count, std::move(value)});
        }
    }
    uint16_t orientation = 0;
    if (TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation))
        entries.push_back(
            {TIFFTAG_ORIENTATION, TIFF_SHORT, 1,
             Bytes{static_cast<unsigned char>(orientation), static_cast<unsigned char>(orientation >> 8)}});
    return entries;
}

enum class Kind { kNone, kText, kInteger, kReal };

Kind KindOf(unsigned type) {
    switch (type) {
        case TIFF_ASCII:
            return Kind::kText;
        case TIFF_BYTE:
        case TIFF_SBYTE:
        case TIFF_UNDEFINED:
        case TIFF_SHORT:
        case TIFF_SSHORT:
        case TIFF_LONG:
        case TIFF_SLONG:
            return Kind::kInteger;
        case TIFF_RATIONAL:
        case TIFF_SRATIONAL:
        case TIFF_FLOAT:
        case TIFF_DOUBLE:
            return Kind::kReal;
        default:
            return Kind::kNone;
    }
}

// Integer entries only come here: their values fit 32 bits.
void StoreInteger(unsigned char* at, uint32_t bits, int size) {
    if (size == 4) {
        std::memcpy(at, &bits, sizeof bits);
    } else if (size == 2) {
        const auto half = static_cast<uint16_t>(bits);
        std::memcpy(at, &half, sizeof half);
    } else {
        *at = static_cast<unsigned char>(bits);
    }
}

// The entry's values as libtiff keeps the field's: `size`-byte integers
// (their low bytes, signed or not alike) or floats or doubles.
Bytes StoredValues(const ExifEntry& entry, Kind kind, int size) {
    Bytes out(static_cast<size_t>(entry.count) * static_cast<size_t>(size));
    for (uint32_t k = 0; k < entry.count; ++k) {
        unsigned char* at = out.data() + static_cast<size_t>(k) * static_cast<size_t>(size);
        const double value = ExifNumber(entry, k);
        if (kind == Kind::kReal && size == 4) {
            const float narrow =
                static_cast<float>(std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
            std::memcpy(at, &narrow, sizeof narrow);
        } else if (kind == Kind::kReal) {
            std::memcpy(at, &value, sizeof value);
        } else {
            StoreInteger(at, static_cast<uint32_t>(static_cast<int64_t>(value)), size);
        }
    }
    return out;
}

// One field passed as libtiff's description of the tag asks: one value by
// value, a fixed number through a pointer, or a count and a pointer. The
// values are those of the entry as the type the field stores. False for
// tags libtiff does not know and values that do not fit the field.
bool SetExifField(TIFF* tif, const ExifEntry& entry) {
    const TIFFField* field = TIFFFindField(tif, entry.tag, TIFF_ANY);
    if (!field || TIFFFieldIsAnonymous(field) || entry.count == 0) return false;
    const Kind kind = KindOf(TIFFFieldDataType(field)), given = KindOf(entry.type);
    const int writeCount = TIFFFieldWriteCount(field);
    const bool passCount = TIFFFieldPassCount(field) != 0;
    if (kind == Kind::kText)
        return given == Kind::kText && !passCount && TIFFSetField(tif, entry.tag, ExifText(entry).c_str());
    if (kind == Kind::kNone || given == Kind::kNone || given == Kind::kText ||
        (kind == Kind::kInteger && given == Kind::kReal))
        return false;
    const int size = TIFFFieldSetGetSize(field);
    if (size != 1 && size != 2 && size != 4 && !(size == 8 && kind == Kind::kReal)) return false;
    const Bytes values = StoredValues(entry, kind, size);
    if (passCount && writeCount == TIFF_VARIABLE2) return TIFFSetField(tif, entry.tag, entry.count, values.data());
    if (passCount)
        return entry.count <= 0xFFFF && TIFFSetField(tif, entry.tag, static_cast<int>(entry.count), values.data());
    if (writeCount > 1)
        return entry.count == static_cast<uint32_t>(writeCount) && TIFFSetField(tif, entry.tag, values.data());
    if (writeCount != 1 || entry.count != 1) return false;
    // One value goes by value: promoted to int below 32 bits, double for reals.
    const double value = ExifNumber(entry, 0);
    if (kind == Kind::kReal) return TIFFSetField(tif, entry.tag, value);
    if (size == 4) return TIFFSetField(tif, entry.tag, static_cast<uint32_t>(static_cast<int64_t>(value)));
    return TIFFSetField(tif, entry.tag, static_cast<int>(value));
}

}  // namespace

ExifFound ReadExif(TIFF* tif, Bytes* block) {
    uint64_t offset = 0;
    if (!TIFFGetField(tif, TIFFTAG_EXIFIFD, &offset)) return ExifFound::kNone;
    ExifEntries exif;
    if (!ReadIfd(FileSource(tif), offset, &exif)) return ExifFound::kDamaged;
    exif.erase(std::remove_if(exif.begin(), exif.end(), PointsToDirectory), exif.end());
    if (exif.empty()) return ExifFound::kNone;
    *block = MakeExifBlock(DescriptiveEntries(tif), std::move(exif));
    return ExifFound::kKept;
}

bool WriteExifDirectory(TIFF* tif, const Bytes& block, uint64_t* offset) {
    *offset = 0;
    ExifEntries ifd0, exif;
    if (block.empty() || !ReadExifBlock(block, &ifd0, &exif) || exif.empty()) return true;
    if (TIFFCreateEXIFDirectory(tif) != 0) return false;
    size_t set = 0;
    for (const ExifEntry& entry : exif) set += SetExifField(tif, entry) ? 1 : 0;
    const bool written = set == 0 || TIFFWriteCustomDirectory(tif, offset);
    TIFFFreeDirectory(tif);
    TIFFCreateDirectory(tif);
    return written;
}

void SetExifTags(TIFF* tif, const Bytes& block, uint64_t exifOffset) {
    ExifEntries ifd0, exif;
    if (block.empty() || !ReadExifBlock(block, &ifd0, &exif)) return;
    for (const ExifEntry& entry : ifd0) {
        if (entry.type == TIFF_ASCII && Descriptive(entry.tag)) TIFFSetField(tif, entry.tag, ExifText(entry).c_str());
        if (entry.tag == TIFFTAG_ORIENTATION && entry.type == TIFF_SHORT && entry.count == 1 &&
            ExifNumber(entry, 0) == 1)
            TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    }
    if (exifOffset != 0) TIFFSetField(tif, TIFFTAG_EXIFIFD, exifOffset);
}

}  // namespace velmora::tiff
