#include "geotiff/geo_directory.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>

#include "geotiff/geo_extras.h"

namespace velmora::geo {

namespace {

constexpr uint16_t kTypeUndefined = 7;  // bytes as stored: libtiff forces no NUL into them
constexpr uint16_t kTypeLong = 4;

// How the loader reads each tag's values, whatever type the file gives.
uint16_t ReadType(uint16_t tag) {
    switch (tag) {
        case kGeoKeyDirectoryTag:
            return kTypeShort;
        case kGeoAsciiParamsTag:
        case kGdalMetadataTag:
        case kGdalNoDataTag:
            return kTypeUndefined;
        default:
            return kTypeDouble;
    }
}

size_t TypeBytes(uint16_t type) { return type == kTypeShort ? 2 : type == kTypeLong ? 4 : type == kTypeDouble ? 8 : 1; }

// The picture's size, sample width and orientation, which the written
// georeferencing follows; the first value of each, as the file types it.
bool IsPictureTag(uint16_t tag, uint16_t type) {
    return (tag == kImageWidthTag || tag == kImageLengthTag || tag == kBitsPerSampleTag || tag == kOrientationTag) &&
           (type == kTypeShort || type == kTypeLong);
}

bool IsGeoTag(uint16_t tag) {
    return tag == kModelPixelScaleTag || tag == kModelTiepointTag || tag == kModelTransformationTag ||
           (tag >= kGeoKeyDirectoryTag && tag <= kGeoAsciiParamsTag);
}

// Bounds the entry's count by the file: no more values than could start
// inside it (a value cut by the end reads as zero). Where the values lie
// follows `placedAs` values (in the entry when they fit it). Values that
// then fit the entry are moved into it, since that is where libtiff looks for
// them. Divisions only: a count near 2^64 must not wrap.
void BoundEntry(CFile& file, uint64_t length, const TiffLayout& layout, unsigned char* entry, uint64_t count,
                uint64_t placedAs) {
    const size_t size = TypeBytes(layout.order.U16(entry + 2));
    const uint64_t inlineValues = layout.InlineBytes() / size;
    if (placedAs > inlineValues) {
        const uint64_t offset = layout.Offset(entry);
        const uint64_t room = offset >= length ? 0 : (length - offset - 1) / size + 1;
        count = std::min<uint64_t>({count, room, INT_MAX});
        if (count <= inlineValues) {
            unsigned char* value = layout.Value(entry);
            std::memset(value, 0, layout.InlineBytes());
            ReadZeroFilled(file, offset, value, static_cast<size_t>(count * size));
        }
    }
    layout.PutField(entry + 4, std::min(count, placedAs));
}

TakenDirectory Build(const TiffLayout& layout, const std::map<uint16_t, std::vector<unsigned char>>& entries,
                     const std::map<uint16_t, uint64_t>& declared) {
    TakenDirectory out{layout, {}, {}};
    out.bytes.assign(layout.CountBytes() + entries.size() * layout.EntryBytes() + layout.FieldBytes(), 0);
    layout.PutEntryCount(out.bytes.data(), entries.size());
    unsigned char* p = out.bytes.data() + layout.CountBytes();
    for (const auto& [tag, entry] : entries) {
        std::memcpy(p, entry.data(), layout.EntryBytes());
        p += layout.EntryBytes();
        out.tags.push_back({tag, declared.at(tag), layout.Count(entry.data())});
    }
    return out;
}

}  // namespace

uint64_t FixedCount(uint16_t tag) {
    if (tag == kModelPixelScaleTag) return 3;
    if (tag == kModelTransformationTag) return 16;
    return 0;
}

void ReadZeroFilled(CFile& file, uint64_t offset, unsigned char* buffer, size_t bytes) {
    if (bytes == 0) return;  // the buffer of an empty array may be null
    std::memset(buffer, 0, bytes);
    file.Seek(static_cast<int64_t>(offset), CFile::begin);
    size_t done = 0;
    while (done < bytes) {
        const size_t got = file.Read(buffer + done, bytes - done);
        if (got == 0) break;
        done += got;
    }
}

TakenDirectory TakeGeoEntries(CFile& file, uint64_t length, const TiffLayout& layout, uint64_t offset) {
    unsigned char countBytes[8] = {};
    ReadZeroFilled(file, offset, countBytes, layout.CountBytes());
    uint64_t entries = std::min<uint64_t>(layout.EntryCount(countBytes), 0xFFFF);
    const uint64_t start = offset + layout.CountBytes();
    if (offset >= length || start >= length)
        entries = 0;
    else
        entries = std::min(entries, (length - start - 1) / layout.EntryBytes() + 1);
    std::vector<unsigned char> raw(static_cast<size_t>(entries) * layout.EntryBytes());
    ReadZeroFilled(file, start, raw.data(), raw.size());

    std::map<uint16_t, std::vector<unsigned char>> taken;
    std::map<uint16_t, uint64_t> declared;
    bool pastGeoTags = false;
    for (size_t i = 0; i < entries; ++i) {
        const unsigned char* entry = raw.data() + i * layout.EntryBytes();
        const uint16_t tag = layout.order.U16(entry);
        if (tag < kModelPixelScaleTag) {
            if (IsPictureTag(tag, layout.order.U16(entry + 2))) {
                taken[tag].assign(entry, entry + layout.EntryBytes());
                declared[tag] = layout.Count(entry);
                BoundEntry(file, length, layout, taken[tag].data(), 1, declared[tag]);
            }
            continue;
        }
        pastGeoTags = pastGeoTags || tag > kGeoAsciiParamsTag;
        if (tag > kGdalNoDataTag) break;
        const bool wanted = pastGeoTags ? tag >= kGdalMetadataTag : IsGeoTag(tag);
        if (!wanted) continue;
        std::vector<unsigned char> copy(entry, entry + layout.EntryBytes());
        layout.order.Put16(copy.data() + 2, ReadType(tag));
        declared[tag] = layout.Count(entry);
        const uint64_t count = FixedCount(tag) ? FixedCount(tag) : declared[tag];
        BoundEntry(file, length, layout, copy.data(), count, count);
        taken[tag] = std::move(copy);
    }
    return Build(layout, taken, declared);
}

TakenDirectory TakeKeyDirectoryAt(CFile& file, uint64_t length, const TiffLayout& layout, uint64_t offset) {
    std::vector<unsigned char> entry(layout.EntryBytes(), 0);
    layout.order.Put16(entry.data(), kGeoKeyDirectoryTag);
    layout.order.Put16(entry.data() + 2, kTypeShort);
    layout.PutField(layout.Value(entry.data()), offset);
    const uint64_t count = 4 * (uint64_t{kMaxGeoKeys} + 1);
    BoundEntry(file, length, layout, entry.data(), count, count);
    return Build(layout, {{kGeoKeyDirectoryTag, entry}}, {{kGeoKeyDirectoryTag, UINT32_MAX}});
}

}  // namespace velmora::geo
