// SaveGeoTIFFFile: the image as a TIFF file whose directory also holds what
// the last report decoded and recorded.
#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "codecs/tiff/tiff_codec.h"
#include "frame/codec_frame.h"
#include "geotiff/geo_extras.h"

namespace geo = velmora::geo;

namespace {

// Each tag as libtiff knows it (codecs/tiff/tiff_tag_extender.h): doubles
// and shorts with their count, texts as strings (their NUL is written).
bool SetGeoTag(TIFF* tif, const geo::GeoTag& tag) {
    if (tag.type == geo::kTypeDouble)
        return TIFFSetField(tif, tag.tag, static_cast<int>(tag.doubles.size()), tag.doubles.data()) == 1;
    if (tag.type == geo::kTypeShort)
        return TIFFSetField(tif, tag.tag, static_cast<int>(tag.shorts.size()), tag.shorts.data()) == 1;
    return TIFFSetField(tif, tag.tag, tag.ascii.c_str()) == 1;
}

}  // namespace

// The tags go into the image's own directory, written in the same pass.
int CGeoTIFF::SaveGeoTIFFFile(const char* path) {
    std::vector<geo::GeoTag> tags;
    CollectGeoTags(&tags);
    if (tags.empty()) return SaveTIFFFile(path);
    // A BigTIFF source is written back as BigTIFF, for this save only.
    DIBSaveOptions options = velmora::SaveOptionsOf(*this);
    if (m_extras->recordedBigTiff) options.bigTiff = BIGTIFF_FORCED;
    velmora::SaveOptionsScope scope(*this, options);
    return velmora::tiff::Save(*this, path, [&](TIFF* tif) {
        return std::all_of(tags.begin(), tags.end(), [&](const geo::GeoTag& tag) { return SetGeoTag(tif, tag); });
    });
}

// In ascending tag order. A pixel scale or transformation is written when
// the report recorded one from the file (whatever its values) or when its
// first value is not the absence mark -1.
void CGeoTIFF::CollectGeoTags(std::vector<geo::GeoTag>* tags) const {
    const Extras& extras = *m_extras;
    if (extras.pixelScaleRecorded || m_dPixelScale[0] != -1.0)
        tags->push_back(geo::GeoTag::Doubles(geo::kModelPixelScaleTag, std::vector<double>(m_dPixelScale, m_dPixelScale + 3)));
    // A tag of no values is not valid TIFF.
    if (!m_recordedTiepoints.empty()) tags->push_back(geo::GeoTag::Doubles(geo::kModelTiepointTag, m_recordedTiepoints));
    if (extras.transformationRecorded || m_dTransformation[0] != -1.0)
        tags->push_back(geo::GeoTag::Doubles(geo::kModelTransformationTag, std::vector<double>(m_dTransformation, m_dTransformation + 16)));
    RebuildGeoKeys(tags);
    // GDAL's texts end with a NUL, as every TIFF ASCII value does.
    if (extras.recordedMetadata)
        tags->push_back(geo::GeoTag::Ascii(geo::kGdalMetadataTag, *extras.recordedMetadata + '\0'));
    // The no-data value of samples wider than 8 bits names no level of the
    // 8-bit picture the library read from them (its pixels read as 0, as do
    // the lowest samples): written, it would mark real pixels, or none.
    if (extras.recordedNoData && extras.storedBits <= 8)
        tags->push_back(geo::GeoTag::Ascii(geo::kGdalNoDataTag, *extras.recordedNoData + '\0'));
}

namespace {

std::string UpToNul(const std::string& text) {
    const size_t end = text.find('\0');
    return end == std::string::npos ? text : text.substr(0, end) + geo::kTextSeparator;
}

// The rebuilt key directory and the parameters its keys index.
struct KeyTags {
    geo::GeoTag directory, doubles, ascii;

    // A directory of more keys has more values than its 16-bit count holds:
    // peers then drop all of it. Keys past that are left out.
    bool Full() const { return directory.shorts.size() >= 4 * (size_t{geo::kMaxGeoKeys} + 1); }
    void Add(WORD key, WORD location, WORD count, WORD value) {
        if (!Full()) directory.shorts.insert(directory.shorts.end(), {key, location, count, value});
    }
    // False when the values cannot be named by 16-bit indices and counts.
    bool AddDoubles(WORD key, const double* values, size_t count) {
        if (Full() || count > 0xFFFF || doubles.doubles.size() > 0xFFFF) return false;
        Add(key, geo::kGeoDoubleParamsTag, static_cast<WORD>(count), static_cast<WORD>(doubles.doubles.size()));
        doubles.doubles.insert(doubles.doubles.end(), values, values + count);
        return true;
    }
    bool AddText(WORD key, const std::string& bytes) {
        if (Full() || bytes.size() > 0xFFFF || ascii.ascii.size() > 0xFFFF) return false;
        Add(key, geo::kGeoAsciiParamsTag, static_cast<WORD>(bytes.size()), static_cast<WORD>(ascii.ascii.size()));
        ascii.ascii += bytes;
        return true;
    }
    // A key outside the table, written as it was read; its text up to its
    // first NUL, as the table's texts are (libtiff ends the parameters at a
    // NUL, which would leave every later text outside them).
    void AddOther(const geo::OtherKey& key) {
        if (key.location == geo::kGeoDoubleParamsTag) AddDoubles(key.key, key.doubles.data(), key.doubles.size());
        else if (key.location == geo::kGeoAsciiParamsTag) AddText(key.key, UpToNul(key.text));
        else Add(key.key, key.location, key.count, key.value);
    }
};

}  // namespace

// The key directory holds the present keys in key order, those outside the
// table among them; double and text keys index parameters rebuilt from their
// values, so the counts written are those of what is written. Nothing is
// added unless a report decoded a loaded directory.
void CGeoTIFF::RebuildGeoKeys(std::vector<geo::GeoTag>* tags) const {
    if (!m_pGeoKeyDirectory || !m_bKeysDecoded) return;
    KeyTags out{geo::GeoTag::Shorts(geo::kGeoKeyDirectoryTag,
                                    {1, static_cast<WORD>(m_nKeyRevision), static_cast<WORD>(m_nMinorRevision), 0}),
                geo::GeoTag::Doubles(geo::kGeoDoubleParamsTag, {}), geo::GeoTag::Ascii(geo::kGeoAsciiParamsTag, "")};
    const std::vector<geo::OtherKey>& others = m_extras->otherKeys;
    auto other = others.begin();
    int count = 0;
    const GeoKeyField* fields = GeoKeyFields(&count);
    for (int i = 0; i <= count; ++i) {
        const WORD key = i < count ? fields[i].key : 0xFFFF;
        for (; other != others.end() && other->key < key; ++other) out.AddOther(*other);
        if (i == count) break;
        const GeoKeyField& field = fields[i];
        if (!IsFieldPresent(field)) continue;
        if (field.kind == GeoKeyField::kShort) {
            out.Add(field.key, 0, 1, static_cast<WORD>(this->*field.shortField));
        } else if (field.kind == GeoKeyField::kDouble) {
            out.AddDoubles(field.key, &(this->*field.doubleField), 1);
        } else {
            // Key values and counts are 16-bit; a text that cannot be named is left out.
            out.AddText(field.key, std::string((this->*field.textField).get()) + geo::kTextSeparator);
        }
    }
    for (; other != others.end(); ++other) out.AddOther(*other);
    std::vector<WORD>& directory = out.directory.shorts;
    directory[3] = static_cast<WORD>(directory.size() / 4 - 1);
    tags->push_back(std::move(out.directory));
    if (!out.doubles.doubles.empty()) tags->push_back(std::move(out.doubles));
    if (!out.ascii.ascii.empty()) {
        out.ascii.ascii.push_back('\0');  // a TIFF ASCII value ends with NUL
        tags->push_back(std::move(out.ascii));
    }
}
