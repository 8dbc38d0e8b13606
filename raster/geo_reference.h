// The georeferencing and GDAL's own tags of a TIFF's first directory, read
// as GDAL reads them, so the numbers a caller gets match GDAL's.
#pragma once

#include <tiffio.h>

#include "velmora/raster.hpp"

namespace velmora::raster {

// Fills the geotransform, EPSG code, no-data and the per-band scales,
// offsets and descriptions of `info` (whose count is known) from the
// current directory of `tif`.
void ReadGeoReference(TIFF* tif, RasterInfo* info);

}  // namespace velmora::raster
