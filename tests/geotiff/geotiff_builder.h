// Small GeoTIFF files made byte by byte, in either byte order, classic or
// BigTIFF, for the corners real files do not reach (inline texts, absent
// markers, indices out of range, counts no file could hold).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "frame/endian.h"

namespace vtest {

class GeoTiffBuilder {
public:
    explicit GeoTiffBuilder(bool bigEndian, bool bigTiff = false) : m_order{bigEndian}, m_big(bigTiff) {}

    // The count the next tag declares, whatever values it holds.
    GeoTiffBuilder& Declaring(uint64_t count) {
        m_declared = count;
        m_hasDeclared = true;
        return *this;
    }

    // Tags must be added in ascending order.
    GeoTiffBuilder& Shorts(uint16_t tag, const std::vector<uint16_t>& values) {
        std::vector<unsigned char> data(values.size() * 2);
        for (size_t i = 0; i < values.size(); ++i) m_order.Put16(data.data() + i * 2, values[i]);
        return Add(tag, 3, values.size(), data);
    }
    GeoTiffBuilder& Doubles(uint16_t tag, const std::vector<double>& values) {
        std::vector<unsigned char> data(values.size() * 8);
        for (size_t i = 0; i < values.size(); ++i) m_order.PutF64(data.data() + i * 8, values[i]);
        return Add(tag, 12, values.size(), data);
    }
    // Texts that fit the entry (four bytes, eight in BigTIFF) are stored in
    // it, as TIFF does.
    GeoTiffBuilder& Ascii(uint16_t tag, const std::string& text) {
        return Add(tag, 2, text.size(), {text.begin(), text.end()});
    }

    std::vector<unsigned char> Bytes() const {
        const size_t header = m_big ? 16 : 8, countBytes = m_big ? 8 : 2, entryBytes = m_big ? 20 : 12;
        const size_t inlineBytes = m_big ? 8 : 4;
        std::vector<unsigned char> out(header + countBytes + m_entries.size() * entryBytes + inlineBytes);
        out[0] = out[1] = m_order.bigEndian ? 'M' : 'I';
        m_order.Put16(&out[2], m_big ? 43 : 42);
        if (m_big) {
            m_order.Put16(&out[4], 8);
            Field(&out[8], 16);
            Field(&out[16], m_entries.size());
        } else {
            m_order.Put32(&out[4], 8);
            m_order.Put16(&out[8], static_cast<uint16_t>(m_entries.size()));
        }
        for (size_t i = 0; i < m_entries.size(); ++i) {
            const Entry& e = m_entries[i];
            const size_t at = header + countBytes + i * entryBytes;
            m_order.Put16(&out[at], e.tag);
            m_order.Put16(&out[at + 2], e.type);
            Field(&out[at + 4], e.count);
            const size_t value = at + 4 + inlineBytes;
            if (e.data.size() <= inlineBytes) {
                std::copy(e.data.begin(), e.data.end(), out.begin() + value);
            } else {
                Field(&out[value], out.size());
                out.insert(out.end(), e.data.begin(), e.data.end());
            }
        }
        return out;
    }
    std::string Write(const std::string& path) const {
        std::vector<unsigned char> bytes = Bytes();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }

private:
    struct Entry {
        uint16_t tag, type;
        uint64_t count;
        std::vector<unsigned char> data;
    };
    GeoTiffBuilder& Add(uint16_t tag, uint16_t type, uint64_t count, std::vector<unsigned char> data) {
        m_entries.push_back({tag, type, m_hasDeclared ? m_declared : count, std::move(data)});
        m_hasDeclared = false;
        return *this;
    }
    // A count or offset: 32 bits, or 64 in BigTIFF.
    void Field(unsigned char* p, uint64_t v) const {
        if (!m_big) return m_order.Put32(p, static_cast<uint32_t>(v));
        m_order.Put32(p + (m_order.bigEndian ? 4 : 0), static_cast<uint32_t>(v));
        m_order.Put32(p + (m_order.bigEndian ? 0 : 4), static_cast<uint32_t>(v >> 32));
    }

    velmora::ByteOrder m_order;
    bool m_big;
    uint64_t m_declared = 0;
    bool m_hasDeclared = false;
    std::vector<Entry> m_entries;
};

}  // namespace vtest
