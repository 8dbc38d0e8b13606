// Turning the loaded key directory into one value per GeoKey.
#include <algorithm>
#include <cstring>

#include "geotiff/geo_extras.h"

// Keys the directory lacks keep what an earlier decoding gave them. Keys
// outside the table are kept as read, with the parameters they name. The
// directory itself is not changed, so decoding again gives the same values.
void CGeoTIFF::DecodeGeoKeys() {
    if (!m_pGeoKeyDirectory) return;
    const WORD* directory = m_pGeoKeyDirectory.get();
    m_bKeysDecoded = true;
    m_nKeyRevision = static_cast<short>(directory[1]);
    m_nMinorRevision = static_cast<short>(directory[2]);
    for (int i = 4; i <= 4 * m_nNumberOfKeys; i += 4) {
        // (key number, location, count, value); the location of a table key
        // is not consulted.
        const GeoKeyField* field = FindKey(directory[i]);
        if (!field) {
            KeepOtherKey(directory + i);
        } else if (DecodeKey(*field, directory[i + 2], directory[i + 3])) {
            m_extras->heldKeys.insert(field->key);
        } else {
            m_extras->heldKeys.erase(field->key);
        }
    }
}

// A short key takes the value itself, a double key the double parameter it
// indexes, a text key `count` bytes of the ASCII parameters from `value`
// with the last one (the separator) dropped. A reference outside the loaded
// parameters leaves the key absent (false).
bool CGeoTIFF::DecodeKey(const GeoKeyField& field, WORD count, WORD value) {
    switch (field.kind) {
        case GeoKeyField::kShort: this->*field.shortField = static_cast<short>(value); return true;
        case GeoKeyField::kDouble: {
            const bool inside = m_pGeoDoubleParams && value < m_nGeoDoubleParams;
            this->*field.doubleField = inside ? m_pGeoDoubleParams[value] : -1.0;
            return inside;
        }
        case GeoKeyField::kText: {
            std::unique_ptr<char[]>& text = this->*field.textField;
            if (count == 0) {
                text.reset(new char[1]());
            } else if (m_pGeoAsciiParams && int{value} + count <= m_nGeoAsciiParams) {
                text.reset(new char[count]);
                std::memcpy(text.get(), m_pGeoAsciiParams.get() + value, count);
                text[count - 1] = '\0';
            } else {
                text.reset();
            }
            return text != nullptr;
        }
    }
    return false;
}

// A key outside the table, with its value inline (location 0) or naming
// double or ASCII parameters; one that names values the file does not hold,
// or lives anywhere else, cannot be written back and is not kept. A later
// directory's key replaces an earlier one of the same number.
void CGeoTIFF::KeepOtherKey(const WORD* entry) {
    namespace geo = velmora::geo;
    velmora::geo::OtherKey key{entry[0], entry[1], entry[2], entry[3], {}, {}};
    const size_t from = key.value, count = key.count;
    if (key.location == geo::kGeoDoubleParamsTag) {
        if (!m_pGeoDoubleParams || count == 0 || from + count > static_cast<size_t>(m_nGeoDoubleParams)) return;
        key.doubles.assign(m_pGeoDoubleParams.get() + from, m_pGeoDoubleParams.get() + from + count);
    } else if (key.location == geo::kGeoAsciiParamsTag) {
        if (!m_pGeoAsciiParams || from + count > static_cast<size_t>(m_nGeoAsciiParams)) return;
        key.text.assign(m_pGeoAsciiParams.get() + from, count);
    } else if (key.location != 0) {
        return;
    }
    std::vector<velmora::geo::OtherKey>& kept = m_extras->otherKeys;
    auto at = std::lower_bound(kept.begin(), kept.end(), key.key,
                               [](const velmora::geo::OtherKey& k, WORD number) { return k.key < number; });
    if (at != kept.end() && at->key == key.key) *at = std::move(key);
    else kept.insert(at, std::move(key));
}
