// What CGeoTIFF holds beyond the members it has always had: which keys and
// model values the file held (a held -1 is a value, not an absence), the keys
// outside the GeoTIFF 1.0 table, GDAL's own tags, and the file's layout.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "geotiff/geokey_table.h"

namespace velmora::geo {

// A key outside the table, as read: where its value lives and, for a
// reference into the parameters, the values it names.
struct OtherKey {
    WORD key, location, count, value;
    std::vector<double> doubles;  // location 34736
    std::string text;             // location 34737, the bytes as stored (separator included)
};

}  // namespace velmora::geo

struct CGeoTIFF::Extras {
    using OtherKey = velmora::geo::OtherKey;

    std::set<WORD> heldKeys;           // table keys decoded from a file
    std::vector<OtherKey> otherKeys;   // in key order
    bool pixelScaleRecorded = false;
    bool transformationRecorded = false;
    bool tiepointsRecorded = false;

    // GDAL's tags: as loaded, and as the last report recorded them.
    std::unique_ptr<std::string> metadata, noData;
    std::unique_ptr<std::string> recordedMetadata, recordedNoData;

    bool bigTiff = false;          // the loaded file's layout
    // The loaded file's picture as stored, which the library reads upright:
    // the recorded model values follow the same steps.
    int orientation = 1;
    uint32_t storedWidth = 0, storedHeight = 0;
    // Samples wider than 8 bits are read reduced or stretched to 8.
    uint32_t storedBits = 0;
    bool recordedBigTiff = false;  // what the writer follows
};

namespace velmora::geo {

// GDAL's tags, kept and written back as text.
constexpr WORD kGdalMetadataTag = 42112;
constexpr WORD kGdalNoDataTag = 42113;

// GTRasterTypeGeoKey's value for a raster of points (pixel centres).
constexpr short kRasterPixelIsPoint = 2;

}  // namespace velmora::geo
