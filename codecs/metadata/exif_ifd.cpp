#include "codecs/metadata/exif_ifd.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace velmora {

namespace {

enum : uint16_t {
    kByte = 1,
    kAscii,
    kShort,
    kLong,
    kRational,
    kSByte,
    kUndefined,
    kSShort,
    kSLong,
    kSRational,
    kFloat,
    kDouble,
    kIfd
};

constexpr uint16_t kDirectoryPointers[] = {330, kExifIfdTag, 34853, 40965};  // SubIFDs, Exif, GPS, Interop
constexpr size_t kBlockEntryBytes = 12;

uint64_t Unsigned(const unsigned char* p, unsigned bytes, bool little) {
    uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value |= uint64_t{p[little ? i : bytes - 1 - i]} << (8 * i);
    return value;
}

void PutLittle(Bytes* b, size_t at, uint64_t value, unsigned bytes) {
    for (unsigned i = 0; i < bytes; ++i) (*b)[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Rationals turn as their two 32-bit halves, other types value by value.
void ToLittleEndian(ExifEntry* entry) {
    const unsigned unit = entry->type == kRational || entry->type == kSRational ? 4 : ExifTypeBytes(entry->type);
    for (size_t at = 0; unit > 1 && at + unit <= entry->value.size(); at += unit)
        std::reverse(entry->value.begin() + static_cast<std::ptrdiff_t>(at),
                     entry->value.begin() + static_cast<std::ptrdiff_t>(at + unit));
}

bool Inside(const IfdSource& source, uint64_t at, uint64_t bytes) {
    return at <= source.size && bytes <= source.size - at;
}

bool ReadWithin(const IfdSource& source, uint64_t at, uint64_t bytes, unsigned char* out) {
    // An empty directory reads nothing: its buffer may have no storage.
    return Inside(source, at, bytes) && (bytes == 0 || source.read(at, static_cast<size_t>(bytes), out));
}

// One entry of a directory table; false when its values lie outside the
// source or would pass `budget`, which they are taken from.
bool ReadEntry(const IfdSource& source, const unsigned char* raw, uint64_t* budget, ExifEntries* entries) {
    const unsigned countBytes = source.bigTiff ? 8 : 4;
    ExifEntry entry;
    entry.tag = static_cast<uint16_t>(Unsigned(raw, 2, source.little));
    entry.type = static_cast<uint16_t>(Unsigned(raw + 2, 2, source.little));
    const unsigned size = ExifTypeBytes(entry.type);
    if (size == 0) return true;
    const uint64_t count = Unsigned(raw + 4, countBytes, source.little);
    if (count > *budget / size) return false;
    const uint64_t bytes = count * size;
    *budget -= bytes;
    const unsigned char* field = raw + 4 + countBytes;
    const bool inside = bytes <= countBytes;  // the values stand in the entry
    const uint64_t at = inside ? 0 : Unsigned(field, countBytes, source.little);
    if (!inside && !Inside(source, at, bytes)) return false;
    entry.count = static_cast<uint32_t>(count);
    entry.value.resize(static_cast<size_t>(bytes));
    if (inside)
        std::copy(field, field + entry.value.size(), entry.value.begin());
    else if (!source.read(at, entry.value.size(), entry.value.data()))
        return false;
    if (!source.little) ToLittleEndian(&entry);
    entries->push_back(std::move(entry));
    return true;
}

// Appends a directory of `entries` (sorted) at an even offset, values after
// its table; returns where the directory starts.
uint32_t AppendIfd(Bytes* b, const ExifEntries& entries) {
    if (b->size() % 2) b->push_back(0);
    const size_t at = b->size();
    b->resize(at + 2 + kBlockEntryBytes * entries.size() + 4);
    PutLittle(b, at, entries.size(), 2);
    size_t raw = at + 2;
    for (const ExifEntry& entry : entries) {
        PutLittle(b, raw, entry.tag, 2);
        PutLittle(b, raw + 2, entry.type, 2);
        PutLittle(b, raw + 4, entry.count, 4);
        if (entry.value.size() <= 4) {
            std::copy(entry.value.begin(), entry.value.end(), b->begin() + static_cast<std::ptrdiff_t>(raw + 8));
        } else {
            if (b->size() % 2) b->push_back(0);
            PutLittle(b, raw + 8, b->size(), 4);
            b->insert(b->end(), entry.value.begin(), entry.value.end());
        }
        raw += kBlockEntryBytes;
    }
    return static_cast<uint32_t>(at);
}

void SortWithoutPointers(ExifEntries* entries) {
    entries->erase(std::remove_if(entries->begin(), entries->end(), PointsToDirectory), entries->end());
    std::stable_sort(entries->begin(), entries->end(),
                     [](const ExifEntry& a, const ExifEntry& b) { return a.tag < b.tag; });
}

}  // namespace

unsigned ExifTypeBytes(unsigned type) {
    constexpr unsigned kBytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < sizeof kBytes / sizeof kBytes[0] ? kBytes[type] : 0;
}

bool ReadIfd(const IfdSource& source, uint64_t offset, ExifEntries* entries) {
    const unsigned countBytes = source.bigTiff ? 8 : 2, entryBytes = source.bigTiff ? 20 : 12;
    unsigned char head[8];
    if (!ReadWithin(source, offset, countBytes, head)) return false;
    const uint64_t count = Unsigned(head, countBytes, source.little);
    if (count > kMaxExifBytes / entryBytes || !Inside(source, offset + countBytes, count * entryBytes)) return false;
    Bytes table(static_cast<size_t>(count) * entryBytes);
    if (!ReadWithin(source, offset + countBytes, table.size(), table.data())) return false;
    uint64_t budget = kMaxExifBytes;
    for (size_t at = 0; at < table.size(); at += entryBytes)
        if (!ReadEntry(source, &table[at], &budget, entries)) return false;
    return true;
}

bool PointsToDirectory(const ExifEntry& entry) {
    return entry.type == kIfd || std::find(std::begin(kDirectoryPointers), std::end(kDirectoryPointers), entry.tag) !=
                                     std::end(kDirectoryPointers);
}

bool ReadExifBlock(const Bytes& block, ExifEntries* ifd0, ExifEntries* exif) {
    if (!ExifWellFormed(block)) return false;
    IfdSource source;
    source.size = block.size();
    source.little = block[0] == 'I';
    source.read = [&block](uint64_t at, size_t bytes, unsigned char* out) {
        std::memcpy(out, block.data() + at, bytes);
        return true;
    };
    if (!ReadIfd(source, Unsigned(block.data() + 4, 4, source.little), ifd0)) return false;
    for (const ExifEntry& entry : *ifd0)
        if (entry.tag == kExifIfdTag && entry.count == 1 && entry.value.size() == 4 &&
            !ReadIfd(source, Unsigned(entry.value.data(), 4, true), exif))
            exif->clear();
    SortWithoutPointers(ifd0);
    SortWithoutPointers(exif);
    return true;
}

Bytes MakeExifBlock(ExifEntries ifd0, ExifEntries exif) {
    SortWithoutPointers(&ifd0);
    SortWithoutPointers(&exif);
    const bool pointer = !exif.empty();
    if (pointer) {
        ExifEntry link{kExifIfdTag, kLong, 1, Bytes(4, 0)};
        ifd0.insert(std::upper_bound(ifd0.begin(), ifd0.end(), link,
                                     [](const ExifEntry& a, const ExifEntry& b) { return a.tag < b.tag; }),
                    link);
    }
    Bytes block = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const uint32_t first = AppendIfd(&block, ifd0);
    if (pointer) {
        const size_t index = static_cast<size_t>(
            std::find_if(ifd0.begin(), ifd0.end(), [](const ExifEntry& e) { return e.tag == kExifIfdTag; }) -
            ifd0.begin());
        const size_t valueAt = first + 2 + kBlockEntryBytes * index + 8;
        PutLittle(&block, valueAt, AppendIfd(&block, exif), 4);
    }
    return block;
}

double ExifNumber(const ExifEntry& entry, uint32_t k) {
    const unsigned size = ExifTypeBytes(entry.type);
    const unsigned char* p = entry.value.data() + static_cast<size_t>(k) * size;
    switch (entry.type) {
        case kSByte:
            return static_cast<int8_t>(p[0]);
        case kSShort:
            return static_cast<int16_t>(Unsigned(p, 2, true));
        case kSLong:
            return static_cast<int32_t>(Unsigned(p, 4, true));
        case kRational:
        case kSRational: {
            const bool sign = entry.type == kSRational;
            const uint64_t n = Unsigned(p, 4, true), d = Unsigned(p + 4, 4, true);
            const double num = sign ? static_cast<int32_t>(n) : static_cast<double>(n);
            const double den = sign ? static_cast<int32_t>(d) : static_cast<double>(d);
            return den == 0 ? 0 : num / den;
        }
        case kFloat: {
            const uint32_t bits = static_cast<uint32_t>(Unsigned(p, 4, true));
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        case kDouble: {
            const uint64_t bits = Unsigned(p, 8, true);
            double value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        default:
            return static_cast<double>(Unsigned(p, size, true));
    }
}

std::string ExifText(const ExifEntry& entry) {
    const auto end = std::find(entry.value.begin(), entry.value.end(), 0);
    return std::string(entry.value.begin(), end);
}

}  // namespace velmora
