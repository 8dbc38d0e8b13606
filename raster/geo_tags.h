// The GeoTIFF tags, GeoKeys and GDAL tags the raster layer reads and writes.
#pragma once

#include <tiffio.h>

namespace velmora::raster {

constexpr ttag_t kPixelScaleTag = 33550, kTiepointTag = 33922, kTransformationTag = 34264;
constexpr ttag_t kKeyDirectoryTag = 34735, kGdalMetadataTag = 42112, kGdalNoDataTag = 42113;
constexpr unsigned kModelTypeKey = 1024, kRasterTypeKey = 1025, kGeographicTypeKey = 2048,
                   kProjectedTypeKey = 3072;
constexpr int kModelProjected = 1, kModelGeographic = 2, kRasterPixelIsArea = 1, kRasterPixelIsPoint = 2;
constexpr int kUserDefined = 32767;

}  // namespace velmora::raster
