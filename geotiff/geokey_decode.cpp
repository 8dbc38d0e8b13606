// Turning the loaded key directory into one value per GeoKey.
#include <cstring>

#include "geotiff/geokey_table.h"

// Keys not in the table are skipped; keys the directory lacks keep what an
// earlier decoding gave them. The directory itself is not changed, so
// decoding again gives the same values.
void CGeoTIFF::DecodeGeoKeys() {
    if (!m_pGeoKeyDirectory) return;
    const WORD* directory = m_pGeoKeyDirectory.get();
    m_bKeysDecoded = true;
    m_nKeyRevision = static_cast<short>(directory[1]);
    m_nMinorRevision = static_cast<short>(directory[2]);
    for (int i = 4; i <= 4 * m_nNumberOfKeys; i += 4) {
        // (key number, location, count, value); the location is not consulted.
        if (const GeoKeyField* field = FindKey(directory[i])) DecodeKey(*field, directory[i + 2], directory[i + 3]);
    }
}

// A short key takes the value itself, a double key the double parameter it
// indexes, a text key `count` bytes of the ASCII parameters from `value`
// with the last one (the separator) dropped. A reference outside the loaded
// parameters leaves the key absent.
void CGeoTIFF::DecodeKey(const GeoKeyField& field, WORD count, WORD value) {
    switch (field.kind) {
        case GeoKeyField::kShort: this->*field.shortField = static_cast<short>(value); break;
        case GeoKeyField::kDouble:
            this->*field.doubleField = m_pGeoDoubleParams && value < m_nGeoDoubleParams ? m_pGeoDoubleParams[value] : -1.0;
            break;
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
            break;
        }
    }
}
