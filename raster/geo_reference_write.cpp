// Georeferencing written as GDAL writes it, so GDAL reads back the same
// geotransform, EPSG code, no-data and metadata.
#include <cmath>
#include <cstdio>
#include <vector>

#include "codecs/tiff/tiff_tag_extender.h"
#include "raster/gdal_metadata.h"
#include "raster/geo_reference.h"
#include "raster/geo_tags.h"

namespace velmora::raster {

namespace {

// EPSG's geographic 2D systems lie in 4000-4999 (4326, 4269, 4258...);
// other codes a GeoKey holds are projected.
bool IsGeographic(int epsg) { return epsg >= 4000 && epsg < 5000; }

void WriteGeoTransform(TIFF* tif, const std::array<double, 6>& g) {
    if (g[2] == 0.0 && g[4] == 0.0) {
        const double scale[3] = {g[1], -g[5], 0.0};
        const double tie[6] = {0.0, 0.0, 0.0, g[0], g[3], 0.0};
        TIFFSetField(tif, kPixelScaleTag, uint16_t(3), scale);
        TIFFSetField(tif, kTiepointTag, uint16_t(6), tie);
        return;
    }
    const double m[16] = {g[1], g[2], 0, g[0], g[4], g[5], 0, g[3], 0, 0, 0, 0, 0, 0, 0, 1};
    TIFFSetField(tif, kTransformationTag, uint16_t(16), m);
}

// Key directory: version 1.1.0, then (key, location 0, count 1, value).
void WriteGeoKeys(TIFF* tif, const RasterProfile& profile) {
    std::vector<uint16_t> keys = {1, 1, 0, 0};
    auto add = [&keys](unsigned key, int value) {
        keys.insert(keys.end(), {uint16_t(key), 0, 1, uint16_t(value)});
        ++keys[3];
    };
    const bool geographic = profile.epsg && IsGeographic(*profile.epsg);
    if (profile.epsg) add(kModelTypeKey, geographic ? kModelGeographic : kModelProjected);
    add(kRasterTypeKey, kRasterPixelIsArea);
    if (profile.epsg) add(geographic ? kGeographicTypeKey : kProjectedTypeKey, *profile.epsg);
    TIFFSetField(tif, kKeyDirectoryTag, uint16_t(keys.size()), keys.data());
}

std::string NumberText(double value) {
    if (std::isnan(value)) return "nan";
    char text[40];
    std::snprintf(text, sizeof text, "%.18g", value);
    return text;
}

std::vector<MetadataItem> MetadataItems(const RasterProfile& profile) {
    std::vector<MetadataItem> items;
    for (const auto& [name, value] : profile.metadata) items.push_back({name, std::string(), value, -1});
    for (size_t b = 0; b < profile.scales.size(); ++b)
        if (profile.scales[b] != 1.0) items.push_back({"SCALE", "scale", NumberText(profile.scales[b]), int(b)});
    for (size_t b = 0; b < profile.offsets.size(); ++b)
        if (profile.offsets[b] != 0.0) items.push_back({"OFFSET", "offset", NumberText(profile.offsets[b]), int(b)});
    for (size_t b = 0; b < profile.descriptions.size(); ++b)
        if (!profile.descriptions[b].empty())
            items.push_back({"DESCRIPTION", "description", profile.descriptions[b], int(b)});
    return items;
}

}  // namespace

void WriteNoData(TIFF* tif, double value) { TIFFSetField(tif, kGdalNoDataTag, NumberText(value).c_str()); }

void WriteGeoReference(TIFF* tif, const RasterProfile& profile) {
    tiff::RegisterGeoTiffTags();
    if (profile.geotransform) WriteGeoTransform(tif, *profile.geotransform);
    if (profile.geotransform || profile.epsg) WriteGeoKeys(tif, profile);
    if (profile.nodata) WriteNoData(tif, *profile.nodata);
    const std::string xml = FormatGdalMetadata(MetadataItems(profile));
    if (!xml.empty()) TIFFSetField(tif, kGdalMetadataTag, xml.c_str());
}

}  // namespace velmora::raster
