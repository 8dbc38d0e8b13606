// GDAL's metadata tag: an XML list of items, each with a name, an optional
// sample (band, from 0) and role, e.g.
//   <GDALMetadata><Item name="SCALE" sample="0" role="scale">0.01</Item></GDALMetadata>
#pragma once

#include <string>
#include <vector>

namespace velmora::raster {

struct MetadataItem {
    std::string name, role, value;
    int band = -1;  // -1: the dataset's
};

// The items of `xml`, entities decoded; what is not an item is skipped.
std::vector<MetadataItem> ParseGdalMetadata(const std::string& xml);

// The tag's text for `items` (empty when there are none), as GDAL writes it.
std::string FormatGdalMetadata(const std::vector<MetadataItem>& items);

}  // namespace velmora::raster
