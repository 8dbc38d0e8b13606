// The georeferencing and GDAL's own tags of a TIFF's first directory, read
// as GDAL reads them, so the numbers a caller gets match GDAL's.
#pragma once

#include <tiffio.h>

#include "velmora/raster_writer.hpp"

namespace velmora::raster {

// Fills the geotransform, EPSG code, no-data and the per-band scales,
// offsets and descriptions of `info` (whose count is known) from the
// current directory of `tif`.
void ReadGeoReference(TIFF* tif, RasterInfo* info);

// Sets the current directory's georeferencing as GDAL writes it: tie point
// and pixel scale (a model transformation when rotated), the GeoKeys of the
// EPSG code, no-data and GDAL's metadata (items, scales, offsets,
// descriptions). Nothing for what the RasterProfile leaves out.
void WriteGeoReference(TIFF* tif, const RasterProfile& profile);
void WriteNoData(TIFF* tif, double value);

}  // namespace velmora::raster
