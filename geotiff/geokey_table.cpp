// The GeoTIFF 1.0 keys, in key order: the order of the report's lines and
// of the keys the writer emits.
#include "geotiff/geokey_table.h"

const CGeoTIFF::GeoKeyField* CGeoTIFF::GeoKeyFields(int* count) {
    using Field = GeoKeyField;
    auto Short = [](WORD key, const char* name, short CGeoTIFF::*field) {
        return Field{key, name, Field::kShort, field, nullptr, nullptr};
    };
    auto Double = [](WORD key, const char* name, double CGeoTIFF::*field) {
        return Field{key, name, Field::kDouble, nullptr, field, nullptr};
    };
    auto Text = [](WORD key, const char* name, std::unique_ptr<char[]> CGeoTIFF::*field) {
        return Field{key, name, Field::kText, nullptr, nullptr, field};
    };
    static const Field kFields[] = {
        Short(1024, "GTModelTypeGeoKey", &CGeoTIFF::m_nGTModelTypeGeoKey),
        Short(1025, "GTRasterTypeGeoKey", &CGeoTIFF::m_nGTRasterTypeGeoKey),
        Text(1026, "GTCitationGeoKey", &CGeoTIFF::m_pszGTCitationGeoKey),
        Short(2048, "GeographicTypeGeoKey", &CGeoTIFF::m_nGeographicTypeGeoKey),
        Text(2049, "GeogCitationGeoKey", &CGeoTIFF::m_pszGeogCitationGeoKey),
        Short(2050, "GeogGeodeticDatumGeoKey", &CGeoTIFF::m_nGeogGeodeticDatumGeoKey),
        Short(2051, "GeogPrimeMeridianGeoKey", &CGeoTIFF::m_nGeogPrimeMeridianGeoKey),
        Short(2052, "GeogLinearUnitsGeoKey", &CGeoTIFF::m_nGeogLinearUnitsGeoKey),
        Double(2053, "GeogLinearUnitSizeGeoKey", &CGeoTIFF::m_dGeogLinearUnitSizeGeoKey),
        Short(2054, "GeogAngularUnitsGeoKey", &CGeoTIFF::m_nGeogAngularUnitsGeoKey),
        Double(2055, "GeogAngularUnitSizeGeoKey", &CGeoTIFF::m_dGeogAngularUnitSizeGeoKey),
        Short(2056, "GeogEllipsoidGeoKey", &CGeoTIFF::m_nGeogEllipsoidGeoKey),
        Double(2057, "GeogSemiMajorAxisGeoKey", &CGeoTIFF::m_dGeogSemiMajorAxisGeoKey),
        Double(2058, "GeogSemiMinorAxisGeoKey", &CGeoTIFF::m_dGeogSemiMinorAxisGeoKey),
        Double(2059, "GeogInvFlatteningGeoKey", &CGeoTIFF::m_dGeogInvFlatteningGeoKey),
        Short(2060, "GeogAzimuthUnitsGeoKey", &CGeoTIFF::m_nGeogAzimuthUnitsGeoKey),
        Double(2061, "GeogPrimeMeridianLongGeoKey", &CGeoTIFF::m_dGeogPrimeMeridianLongGeoKey),
        Short(3072, "ProjectedCSTypeGeoKey", &CGeoTIFF::m_nProjectedCSTypeGeoKey),
        Text(3073, "PCSCitationGeoKey", &CGeoTIFF::m_pszPCSCitationGeoKey),
        Short(3074, "ProjectionGeoKey", &CGeoTIFF::m_nProjectionGeoKey),
        Short(3075, "ProjCoordTransGeoKey", &CGeoTIFF::m_nProjCoordTransGeoKey),
        Short(3076, "ProjLinearUnitsGeoKey", &CGeoTIFF::m_nProjLinearUnitsGeoKey),
        Double(3077, "ProjLinearUnitSizeGeoKey", &CGeoTIFF::m_dProjLinearUnitSizeGeoKey),
        Double(3078, "ProjStdParallel1GeoKey", &CGeoTIFF::m_dProjStdParallel1GeoKey),
        Double(3079, "ProjStdParallel2GeoKey", &CGeoTIFF::m_dProjStdParallel2GeoKey),
        Double(3080, "ProjNatOriginLongGeoKey", &CGeoTIFF::m_dProjNatOriginLongGeoKey),
        Double(3081, "ProjNatOriginLatGeoKey", &CGeoTIFF::m_dProjNatOriginLatGeoKey),
        Double(3082, "ProjFalseEastingGeoKey", &CGeoTIFF::m_dProjFalseEastingGeoKey),
        Double(3083, "ProjFalseNorthingGeoKey", &CGeoTIFF::m_dProjFalseNorthingGeoKey),
        Double(3084, "ProjFalseOriginLongGeoKey", &CGeoTIFF::m_dProjFalseOriginLongGeoKey),
        Double(3085, "ProjFalseOriginLatGeoKey", &CGeoTIFF::m_dProjFalseOriginLatGeoKey),
        Double(3086, "ProjFalseOriginEastingGeoKey", &CGeoTIFF::m_dProjFalseOriginEastingGeoKey),
        Double(3087, "ProjFalseOriginNorthingGeoKey", &CGeoTIFF::m_dProjFalseOriginNorthingGeoKey),
        Double(3088, "ProjCenterLongGeoKey", &CGeoTIFF::m_dProjCenterLongGeoKey),
        Double(3089, "ProjCenterLatGeoKey", &CGeoTIFF::m_dProjCenterLatGeoKey),
        Double(3090, "ProjCenterEastingGeoKey", &CGeoTIFF::m_dProjCenterEastingGeoKey),
        Double(3091, "ProjCenterNorthingGeoKey", &CGeoTIFF::m_dProjCenterNorthingGeoKey),
        Double(3092, "ProjScaleAtNatOriginGeoKey", &CGeoTIFF::m_dProjScaleAtNatOriginGeoKey),
        Double(3093, "ProjScaleAtCenterGeoKey", &CGeoTIFF::m_dProjScaleAtCenterGeoKey),
        Double(3094, "ProjAzimuthAngleGeoKey", &CGeoTIFF::m_dProjAzimuthAngleGeoKey),
        Double(3095, "ProjStraightVertPoleLongGeoKey", &CGeoTIFF::m_dProjStraightVertPoleLongGeoKey),
        Short(4096, "VerticalCSTypeGeoKey", &CGeoTIFF::m_nVerticalCSTypeGeoKey),
        Text(4097, "VerticalCitationGeoKey", &CGeoTIFF::m_pszVerticalCitationGeoKey),
        Short(4098, "VerticalDatumGeoKey", &CGeoTIFF::m_nVerticalDatumGeoKey),
        Short(4099, "VerticalUnitsGeoKey", &CGeoTIFF::m_nVerticalUnitsGeoKey),
    };
    *count = static_cast<int>(sizeof kFields / sizeof kFields[0]);
    return kFields;
}
