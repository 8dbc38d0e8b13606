// Fields of little- and big-endian files read from bytes, never by copying a
// header into a struct (TIFF and GeoTIFF files come in both byte orders).
#pragma once

#include <cstdint>
#include <cstring>

namespace velmora {

inline uint16_t ReadLE16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint16_t ReadBE16(const unsigned char* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t ReadLE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline uint32_t ReadBE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}
inline uint64_t ReadLE64(const unsigned char* p) {
    return static_cast<uint64_t>(ReadLE32(p)) | static_cast<uint64_t>(ReadLE32(p + 4)) << 32;
}
inline uint64_t ReadBE64(const unsigned char* p) {
    return static_cast<uint64_t>(ReadBE32(p)) << 32 | static_cast<uint64_t>(ReadBE32(p + 4));
}

inline void WriteLE16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void WriteBE16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}
inline void WriteLE32(unsigned char* p, uint32_t v) {
    WriteLE16(p, static_cast<uint16_t>(v));
    WriteLE16(p + 2, static_cast<uint16_t>(v >> 16));
}
inline void WriteBE32(unsigned char* p, uint32_t v) {
    WriteBE16(p, static_cast<uint16_t>(v >> 16));
    WriteBE16(p + 2, static_cast<uint16_t>(v));
}

// A file's byte order, chosen once when its header is read.
struct ByteOrder {
    bool bigEndian = false;
    uint16_t U16(const unsigned char* p) const { return bigEndian ? ReadBE16(p) : ReadLE16(p); }
    uint32_t U32(const unsigned char* p) const { return bigEndian ? ReadBE32(p) : ReadLE32(p); }
    double F64(const unsigned char* p) const {
        uint64_t bits = bigEndian ? ReadBE64(p) : ReadLE64(p);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void Put16(unsigned char* p, uint16_t v) const { bigEndian ? WriteBE16(p, v) : WriteLE16(p, v); }
    void Put32(unsigned char* p, uint32_t v) const { bigEndian ? WriteBE32(p, v) : WriteLE32(p, v); }
    void PutF64(unsigned char* p, double value) const {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        const auto high = static_cast<uint32_t>(bits >> 32), low = static_cast<uint32_t>(bits);
        Put32(p, bigEndian ? high : low);
        Put32(p + 4, bigEndian ? low : high);
    }
};

}  // namespace velmora
