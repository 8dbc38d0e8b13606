#include "tools/raster_info.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "tools/commands.h"
#include "tools/geo_info.h"
#include "velmora/raster.hpp"

namespace velmora::cli {

namespace {

// JSON has no NaN or infinity: those go as strings, as GDAL's JSON has them.
std::string Number(double v) {
    if (std::isnan(v)) return "\"nan\"";
    if (std::isinf(v)) return v > 0 ? "\"inf\"" : "\"-inf\"";
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string Joined(const std::vector<int>& values, const char* separator) {
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) out += (i ? separator : "") + std::to_string(values[i]);
    return out;
}

bool Open(const std::string& path, std::unique_ptr<Raster>* raster) {
    try {
        *raster = std::make_unique<Raster>(Raster::open(path));
        return true;
    } catch (const Error&) {
        return false;
    }
}

std::string GeoTransformJson(const RasterInfo& info) {
    if (!info.geotransform) return "null";
    std::string out = "[";
    for (size_t i = 0; i < 6; ++i) out += (i ? ", " : "") + Number((*info.geotransform)[i]);
    return out + "]";
}

std::string JsonOf(const Raster& raster) {
    const RasterInfo& info = raster.info();
    return ", \"bands\": " + std::to_string(info.count) + ", \"sample_type\": " + JsonString(to_string(info.type)) +
           ", \"block\": [" + std::to_string(info.block_width) + ", " + std::to_string(info.block_height) +
           "], \"compression\": " + JsonString(info.compression) + ", \"overviews\": [" +
           Joined(raster.overview_factors(), ", ") + "], \"nodata\": " + (info.nodata ? Number(*info.nodata) : "null");
}

std::string TextOf(const Raster& raster) {
    const RasterInfo& info = raster.info();
    std::string out = "bands:     " + std::to_string(info.count) + "\nsample:    " + to_string(info.type) +
                      "\nblock:     " + std::to_string(info.block_width) + " x " + std::to_string(info.block_height) +
                      "\ncompress:  " + info.compression + "\n";
    if (!info.overviews.empty()) out += "overviews: " + Joined(raster.overview_factors(), ", ") + "\n";
    if (info.nodata) out += "nodata:    " + Number(*info.nodata) + "\n";
    return out;
}

}  // namespace

std::string RasterJson(const std::string& path) {
    std::unique_ptr<Raster> raster;
    return Open(path, &raster) ? JsonOf(*raster) : std::string();
}

std::string RasterText(const std::string& path) {
    std::unique_ptr<Raster> raster;
    return Open(path, &raster) ? TextOf(*raster) : std::string();
}

bool DescribeRasterOnly(const std::string& path, bool json, const std::string& pictureFailure, const char* before) {
    std::unique_ptr<Raster> raster;
    if (!Open(path, &raster)) return false;
    std::printf("%s", before);
    const RasterInfo& info = raster->info();
    if (json) {
        std::printf("{\"file\": %s, \"format\": \"TIF\", \"format_code\": 1, \"width\": %lld, \"height\": %lld%s, \"geotransform\": %s, "
                    "\"picture_error\": %s}",
                    JsonString(AsUtf8(path)).c_str(), static_cast<long long>(info.width),
                    static_cast<long long>(info.height), JsonOf(*raster).c_str(), GeoTransformJson(info).c_str(),
                    JsonString(AsUtf8(pictureFailure)).c_str());
        return true;
    }
    std::printf("file:      %s\nformat:    1 (TIF)\nsize:      %lld x %lld\n%s", path.c_str(),
                static_cast<long long>(info.width), static_cast<long long>(info.height), TextOf(*raster).c_str());
    if (info.geotransform) {
        const auto& g = *info.geotransform;
        std::printf("transform: %.17g %.17g %.17g %.17g %.17g %.17g\n", g[0], g[1], g[2], g[3], g[4], g[5]);
    }
    std::printf("picture:   none (%s)\n", pictureFailure.c_str());
    return true;
}

}  // namespace velmora::cli
