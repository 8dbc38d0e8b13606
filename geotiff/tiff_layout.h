// The two layouts of a TIFF file's directories: classic TIFF (12-byte
// entries, 32-bit counts and offsets) and BigTIFF (20-byte entries, 64-bit
// counts and offsets), in the file's byte order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/endian.h"

namespace velmora::geo {

constexpr uint16_t kClassicTiffVersion = 42;
constexpr uint16_t kBigTiffVersion = 43;

struct TiffLayout {
    ByteOrder order;
    bool big = false;

    size_t HeaderBytes() const { return big ? 16 : 8; }
    size_t EntryBytes() const { return big ? 20 : 12; }
    size_t CountBytes() const { return big ? 8 : 2; }  // of a directory's entry count
    size_t InlineBytes() const { return big ? 8 : 4; }
    size_t FieldBytes() const { return big ? 8 : 4; }  // counts and offsets
    uint64_t Field(const unsigned char* p) const { return big ? U64(p) : order.U32(p); }
    uint64_t EntryCount(const unsigned char* p) const { return big ? U64(p) : order.U16(p); }
    uint64_t Count(const unsigned char* entry) const { return Field(entry + 4); }
    const unsigned char* Value(const unsigned char* entry) const { return entry + (big ? 12 : 8); }
    unsigned char* Value(unsigned char* entry) const { return entry + (big ? 12 : 8); }
    uint64_t Offset(const unsigned char* entry) const { return Field(Value(entry)); }
    // The largest offset the layout can hold.
    uint64_t MaxOffset() const { return big ? UINT64_MAX : 0xFFFFFFFFu; }

    void PutField(unsigned char* p, uint64_t v) const {
        if (!big) {
            order.Put32(p, static_cast<uint32_t>(v));
            return;
        }
        const auto high = static_cast<uint32_t>(v >> 32), low = static_cast<uint32_t>(v);
        order.Put32(p, order.bigEndian ? high : low);
        order.Put32(p + 4, order.bigEndian ? low : high);
    }
    void PutEntryCount(unsigned char* p, uint64_t v) const {
        if (big) PutField(p, v);
        else order.Put16(p, static_cast<uint16_t>(v));
    }

private:
    uint64_t U64(const unsigned char* p) const { return order.bigEndian ? ReadBE64(p) : ReadLE64(p); }
};

}  // namespace velmora::geo
