// The GeoTIFF tags and GDAL's two tags made known to libtiff, so that a
// GeoTIFF opens without an "unknown field" warning for each of them and its
// values can be read and written through TIFFGetField / TIFFSetField.
//
//   33550 ModelPixelScale, 33922 ModelTiepoint, 34264 ModelTransformation,
//   34736 GeoDoubleParams   doubles:  TIFFGetField(tif, tag, &count16, &doubles)
//   34735 GeoKeyDirectory   shorts:   TIFFGetField(tif, tag, &count16, &shorts)
//   34737 GeoAsciiParams, 42112 GDAL_METADATA, 42113 GDAL_NODATA
//                           text:     TIFFGetField(tif, tag, &chars)
//
// (count16 is a uint16_t; TIFFSetField takes the same arguments by value.)
#pragma once

namespace velmora::tiff {

// Installs libtiff's tag extender once per process, chaining whatever
// extender was installed before it; later calls do nothing. Call it before
// opening a TIFF whose GeoTIFF tags matter. libtiff's warning and error
// handlers are left as they are, so real warnings still reach them.
void RegisterGeoTiffTags();

}  // namespace velmora::tiff
