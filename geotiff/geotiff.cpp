// CGeoTIFF: construction, the getters of the loaded tags and decoded keys,
// and the target image of the writer.
#include "geotiff/geo_extras.h"
#include "velmora/newdib.h"

CGeoTIFF::CGeoTIFF()
    : CDIBFile(nullptr, nullptr),
      m_nKeyRevision(-1),
      m_nMinorRevision(-1),
      m_nNumberOfKeys(0),
      m_nGeoDoubleParams(0),
      m_nGeoAsciiParams(0),
      m_nModelTiepoints(0),
      m_extras(std::make_unique<Extras>()) {
    int count = 0;
    const GeoKeyField* fields = GeoKeyFields(&count);
    for (int i = 0; i < count; ++i) {
        if (fields[i].shortField) this->*fields[i].shortField = -1;
        if (fields[i].doubleField) this->*fields[i].doubleField = -1.0;
    }
    for (double& v : m_dPixelScale) v = -1.0;
    for (double& v : m_dTransformation) v = -1.0;
}

// The arrays and texts are owned by their smart pointers; the file object
// closes itself.
CGeoTIFF::~CGeoTIFF() = default;

void CGeoTIFF::GetGeoKeyDirectoryTag(WORD** keys, WORD* count) {
    *keys = m_pGeoKeyDirectory.get();
    *count = m_pGeoKeyDirectory ? static_cast<WORD>(4 * m_nNumberOfKeys + 4) : 0;
}

void CGeoTIFF::GetGeoDoubleParamsTag(double** params, int* count) {
    *params = m_pGeoDoubleParams.get();
    *count = m_nGeoDoubleParams;
}

void CGeoTIFF::GetGeoAsciiParamsTag(char** text, int* count) {
    *text = m_pGeoAsciiParams.get();
    *count = m_nGeoAsciiParams;
}

void CGeoTIFF::GetModelTiepointTag(double** points, int* count) {
    *points = m_pModelTiepoints.get();
    *count = m_nModelTiepoints;
}

void CGeoTIFF::GetModelPixelScaleTag(double** scale, int* count) {
    *scale = m_pModelPixelScale.get();
    *count = 3;
}

void CGeoTIFF::GetModelTransformationTag(double** matrix, int* count) {
    *matrix = m_pModelTransformation.get();
    *count = 16;
}

const CGeoTIFF::GeoKeyField* CGeoTIFF::FindKey(int key) const {
    int count = 0;
    const GeoKeyField* fields = GeoKeyFields(&count);
    for (int i = 0; i < count; ++i)
        if (fields[i].key == key) return &fields[i];
    return nullptr;
}

short CGeoTIFF::GetShortGeoKey(int key) const {
    const GeoKeyField* field = FindKey(key);
    return field && field->shortField ? this->*field->shortField : -1;
}

double CGeoTIFF::GetDoubleGeoKey(int key) const {
    const GeoKeyField* field = FindKey(key);
    return field && field->doubleField ? this->*field->doubleField : -1.0;
}

const char* CGeoTIFF::GetTextGeoKey(int key) const {
    const GeoKeyField* field = FindKey(key);
    return field && field->textField ? (this->*field->textField).get() : nullptr;
}

void CGeoTIFF::SetTargetDIB(CNewDIB* dib) {
    m_pDIB = dib;
    m_bGray = dib ? dib->GetGrayProp() : 0;
}

namespace {

// Keys of later GeoTIFF revisions that files made by GDAL carry.
struct LaterKey {
    int key;
    const char* name;
};
const LaterKey kLaterKeys[] = {{2062, "GeogTOWGS84GeoKey"}, {3096, "ProjRectifiedGridAngleGeoKey"}};

}  // namespace

const char* CGeoTIFF::GeoKeyName(int key) {
    int count = 0;
    const GeoKeyField* fields = GeoKeyFields(&count);
    for (int i = 0; i < count; ++i)
        if (fields[i].key == key) return fields[i].name;
    for (const LaterKey& later : kLaterKeys)
        if (later.key == key) return later.name;
    return nullptr;
}

int CGeoTIFF::IsGeoKeyHeld(int key) const {
    if (m_extras->heldKeys.count(static_cast<WORD>(key))) return 1;
    for (const velmora::geo::OtherKey& other : m_extras->otherKeys)
        if (other.key == key) return 1;
    return 0;
}

int CGeoTIFF::IsBigTIFF() const { return m_extras->bigTiff ? 1 : 0; }

int CGeoTIFF::GetOrientation() const { return m_extras->orientation; }

const char* CGeoTIFF::GetGdalMetadata() const { return m_extras->metadata ? m_extras->metadata->c_str() : nullptr; }

const char* CGeoTIFF::GetGdalNoData() const { return m_extras->noData ? m_extras->noData->c_str() : nullptr; }

// A key is written when the file held it, or when its field holds a value
// other than the absence mark (a derived class may set fields itself).
bool CGeoTIFF::IsFieldPresent(const GeoKeyField& field) const {
    switch (field.kind) {
        case GeoKeyField::kShort: return this->*field.shortField != -1 || m_extras->heldKeys.count(field.key);
        case GeoKeyField::kDouble: return this->*field.doubleField != -1.0 || m_extras->heldKeys.count(field.key);
        case GeoKeyField::kText: return (this->*field.textField) != nullptr;
    }
    return false;
}
