// Small GeoTIFF files made byte by byte, in either byte order, for the
// corners real files do not reach (inline texts, absent markers, indices
// out of range).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "frame/endian.h"

namespace vtest {

class GeoTiffBuilder {
public:
    explicit GeoTiffBuilder(bool bigEndian) : m_order{bigEndian} {}

    // Tags must be added in ascending order.
    GeoTiffBuilder& Shorts(uint16_t tag, const std::vector<uint16_t>& values) {
        std::vector<unsigned char> data(values.size() * 2);
        for (size_t i = 0; i < values.size(); ++i) m_order.Put16(data.data() + i * 2, values[i]);
        return Add(tag, 3, static_cast<uint32_t>(values.size()), data);
    }
    GeoTiffBuilder& Doubles(uint16_t tag, const std::vector<double>& values) {
        std::vector<unsigned char> data(values.size() * 8);
        for (size_t i = 0; i < values.size(); ++i) m_order.PutF64(data.data() + i * 8, values[i]);
        return Add(tag, 12, static_cast<uint32_t>(values.size()), data);
    }
    // Texts of four bytes or fewer are stored in the entry, as TIFF does.
    GeoTiffBuilder& Ascii(uint16_t tag, const std::string& text) {
        return Add(tag, 2, static_cast<uint32_t>(text.size()), {text.begin(), text.end()});
    }

    std::vector<unsigned char> Bytes() const {
        const uint32_t dataAt = 8 + 2 + static_cast<uint32_t>(m_entries.size()) * 12 + 4;
        std::vector<unsigned char> out(dataAt);
        out[0] = out[1] = m_order.bigEndian ? 'M' : 'I';
        m_order.Put16(&out[2], 42);
        m_order.Put32(&out[4], 8);
        m_order.Put16(&out[8], static_cast<uint16_t>(m_entries.size()));
        for (size_t i = 0; i < m_entries.size(); ++i) {
            const Entry& e = m_entries[i];
            unsigned char* p = &out[10 + i * 12];
            m_order.Put16(p, e.tag);
            m_order.Put16(p + 2, e.type);
            m_order.Put32(p + 4, e.count);
            if (e.data.size() <= 4) {
                std::copy(e.data.begin(), e.data.end(), p + 8);
            } else {
                m_order.Put32(p + 8, static_cast<uint32_t>(out.size()));
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
        uint32_t count;
        std::vector<unsigned char> data;
    };
    GeoTiffBuilder& Add(uint16_t tag, uint16_t type, uint32_t count, std::vector<unsigned char> data) {
        m_entries.push_back({tag, type, count, std::move(data)});
        return *this;
    }

    velmora::ByteOrder m_order;
    std::vector<Entry> m_entries;
};

}  // namespace vtest
