// SaveGeoTIFFFile: the image as a TIFF file, then a directory appended that
// adds what the last report decoded and recorded.
#include <cstring>

#include "frame/codec_frame.h"
#include "geotiff/geokey_table.h"
#include "geotiff/tiff_append.h"

namespace geo = velmora::geo;

int CGeoTIFF::SaveGeoTIFFFile(const char* path) {
    std::vector<geo::GeoTag> tags;
    CollectGeoTags(&tags);
    if (tags.empty()) return SaveTIFFFile(path);
    // Both stages write a temporary that replaces `path` only when complete.
    return velmora::SaveThroughTemporary(*this, path, [&](const char* temp) -> velmora::Failure {
        if (!SaveTIFFFile(temp)) return velmora::kSilentFailure;  // its text is recorded
        CFileException error;
        if (!m_file.Open(temp, CFile::modeReadWrite, &error)) throw error;
        try {
            geo::AppendDirectory(m_file, tags);
            m_file.Close();
        } catch (...) {
            m_file.Abort();
            throw;
        }
        return nullptr;
    });
}

// In ascending tag order. A pixel scale or transformation whose first value
// is -1 counts as absent.
void CGeoTIFF::CollectGeoTags(std::vector<geo::GeoTag>* tags) const {
    if (m_dPixelScale[0] != -1.0)
        tags->push_back(geo::GeoTag::Doubles(geo::kModelPixelScaleTag, std::vector<double>(m_dPixelScale, m_dPixelScale + 3)));
    // A tag of no values is not valid TIFF.
    if (!m_recordedTiepoints.empty()) tags->push_back(geo::GeoTag::Doubles(geo::kModelTiepointTag, m_recordedTiepoints));
    if (m_dTransformation[0] != -1.0)
        tags->push_back(geo::GeoTag::Doubles(geo::kModelTransformationTag, std::vector<double>(m_dTransformation, m_dTransformation + 16)));
    RebuildGeoKeys(tags);
}

// The key directory holds the present keys in key order; double and text
// keys index parameters rebuilt from their values, so the counts written are
// those of what is written. Nothing is added unless a report decoded a
// loaded directory.
void CGeoTIFF::RebuildGeoKeys(std::vector<geo::GeoTag>* tags) const {
    if (!m_pGeoKeyDirectory || !m_bKeysDecoded) return;
    geo::GeoTag directory = geo::GeoTag::Shorts(
        geo::kGeoKeyDirectoryTag, {1, static_cast<WORD>(m_nKeyRevision), static_cast<WORD>(m_nMinorRevision), 0});
    geo::GeoTag doubles = geo::GeoTag::Doubles(geo::kGeoDoubleParamsTag, {});
    geo::GeoTag ascii = geo::GeoTag::Ascii(geo::kGeoAsciiParamsTag, "");
    auto addKey = [&](WORD key, WORD location, WORD count, WORD value) {
        directory.shorts.insert(directory.shorts.end(), {key, location, count, value});
    };
    int count = 0;
    const GeoKeyField* fields = GeoKeyFields(&count);
    for (int i = 0; i < count; ++i) {
        const GeoKeyField& field = fields[i];
        if (field.kind == GeoKeyField::kShort && this->*field.shortField != -1) {
            addKey(field.key, 0, 1, static_cast<WORD>(this->*field.shortField));
        } else if (field.kind == GeoKeyField::kDouble && this->*field.doubleField != -1.0 &&
                   doubles.doubles.size() <= 0xFFFF) {
            addKey(field.key, geo::kGeoDoubleParamsTag, 1, static_cast<WORD>(doubles.doubles.size()));
            doubles.doubles.push_back(this->*field.doubleField);
        } else if (field.kind == GeoKeyField::kText && (this->*field.textField)) {
            const char* text = (this->*field.textField).get();
            const size_t length = std::strlen(text);
            // Key values and counts are 16-bit; a text that cannot be named is left out.
            if (length + 1 > 0xFFFF || ascii.ascii.size() > 0xFFFF) continue;
            addKey(field.key, geo::kGeoAsciiParamsTag, static_cast<WORD>(length + 1),
                   static_cast<WORD>(ascii.ascii.size()));
            ascii.ascii.append(text, length).push_back(geo::kTextSeparator);
        }
    }
    directory.shorts[3] = static_cast<WORD>(directory.shorts.size() / 4 - 1);
    tags->push_back(std::move(directory));
    if (!doubles.doubles.empty()) tags->push_back(std::move(doubles));
    if (!ascii.ascii.empty()) {
        ascii.ascii.push_back('\0');  // a TIFF ASCII value ends with NUL
        tags->push_back(std::move(ascii));
    }
}
