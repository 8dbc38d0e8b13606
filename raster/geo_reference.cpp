#include "raster/geo_reference.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "raster/gdal_metadata.h"
#include "raster/geo_tags.h"

namespace velmora::raster {

namespace {

struct Doubles {
    uint16_t count = 0;
    const double* values = nullptr;
};

Doubles DoublesOf(TIFF* tif, ttag_t tag) {
    Doubles d;
    if (!TIFFGetField(tif, tag, &d.count, &d.values) || !d.values) d.count = 0;
    return d;
}

// A GeoKey's short value held in the directory itself; -1 when absent.
int ShortKey(TIFF* tif, unsigned key) {
    uint16_t count = 0;
    const uint16_t* keys = nullptr;
    if (!TIFFGetField(tif, kKeyDirectoryTag, &count, &keys) || !keys || count < 4) return -1;
    const unsigned entries = keys[3];
    for (unsigned k = 0; k < entries && 4 + 4 * k + 3 < count; ++k) {
        const uint16_t* entry = keys + 4 + 4 * k;
        if (entry[0] == key && entry[1] == 0) return entry[3];
    }
    return -1;
}

// GDAL: pixel scale with a tie point first, else the model transformation;
// a raster of points moves half a pixel up and left.
std::optional<std::array<double, 6>> GeoTransformOf(TIFF* tif) {
    std::array<double, 6> g{};
    const Doubles scale = DoublesOf(tif, kPixelScaleTag);
    const Doubles tie = DoublesOf(tif, kTiepointTag);
    const Doubles matrix = DoublesOf(tif, kTransformationTag);
    if (scale.count >= 2 && scale.values[0] != 0.0 && scale.values[1] != 0.0 && tie.count >= 6) {
        g = {0.0, scale.values[0], 0.0, 0.0, 0.0, -scale.values[1]};
        g[0] = tie.values[3] - tie.values[0] * g[1];
        g[3] = tie.values[4] - tie.values[1] * g[5];
    } else if (matrix.count == 16) {
        const double* m = matrix.values;
        g = {m[3], m[0], m[1], m[7], m[4], m[5]};
    } else {
        return std::nullopt;
    }
    if (ShortKey(tif, kRasterTypeKey) == kRasterPixelIsPoint) {
        g[0] -= g[1] * 0.5 + g[2] * 0.5;
        g[3] -= g[4] * 0.5 + g[5] * 0.5;
    }
    return g;
}

std::optional<int> EpsgOf(TIFF* tif) {
    const int model = ShortKey(tif, kModelTypeKey);
    const int code = model == kModelProjected    ? ShortKey(tif, kProjectedTypeKey)
                     : model == kModelGeographic ? ShortKey(tif, kGeographicTypeKey)
                                                 : -1;
    if (code <= 0 || code == kUserDefined) return std::nullopt;
    return code;
}

std::optional<double> NoDataOf(TIFF* tif) {
    const char* text = nullptr;
    if (!TIFFGetField(tif, kGdalNoDataTag, &text) || !text) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text) return std::nullopt;
    return value;
}

}  // namespace

void ReadGeoReference(TIFF* tif, RasterInfo* info) {
    info->geotransform = GeoTransformOf(tif);
    info->epsg = EpsgOf(tif);
    info->nodata = NoDataOf(tif);
    info->scales.assign(info->count, 1.0);
    info->offsets.assign(info->count, 0.0);
    info->descriptions.assign(info->count, std::string());
    const char* xml = nullptr;
    if (!TIFFGetField(tif, kGdalMetadataTag, &xml) || !xml) return;
    for (const MetadataItem& item : ParseGdalMetadata(xml)) {
        if (item.band < 0 || item.band >= info->count) continue;
        if (item.role == "scale") info->scales[item.band] = std::strtod(item.value.c_str(), nullptr);
        else if (item.role == "offset") info->offsets[item.band] = std::strtod(item.value.c_str(), nullptr);
        else if (item.role == "description") info->descriptions[item.band] = item.value;
    }
}

}  // namespace velmora::raster
