// The GeoTIFF 1.0 tags and keys this library knows, and the shape of a tag
// the writer adds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "velmora/geotiff.h"

namespace velmora::geo {

// TIFF tag numbers of GeoTIFF 1.0.
constexpr WORD kModelPixelScaleTag = 33550;
constexpr WORD kModelTiepointTag = 33922;
constexpr WORD kModelTransformationTag = 34264;
constexpr WORD kGeoKeyDirectoryTag = 34735;
constexpr WORD kGeoDoubleParamsTag = 34736;
constexpr WORD kGeoAsciiParamsTag = 34737;

// TIFF field types the writer uses.
constexpr WORD kTypeAscii = 2;
constexpr WORD kTypeShort = 3;
constexpr WORD kTypeDouble = 12;

// The separator that ends each text in the ASCII parameters.
constexpr char kTextSeparator = '|';

// A key directory never holds more keys than this: its value count,
// 4 x keys + 4, must fit the 16-bit count the getter hands out.
constexpr WORD kMaxGeoKeys = (0xFFFF - 4) / 4;

}  // namespace velmora::geo

struct CGeoTIFF::GeoKeyField {
    enum Kind { kShort, kDouble, kText };
    WORD key;
    const char* name;
    Kind kind;
    short CGeoTIFF::*shortField;
    double CGeoTIFF::*doubleField;
    std::unique_ptr<char[]> CGeoTIFF::*textField;
};

namespace velmora::geo {

// One tag the writer adds: exactly one of the three value lists is used.
struct GeoTag {
    WORD tag = 0;
    WORD type = 0;
    std::vector<double> doubles;
    std::vector<WORD> shorts;
    std::string ascii;  // written with its bytes as they are (NUL included)

    static GeoTag Doubles(WORD number, std::vector<double> values) {
        GeoTag t;
        t.tag = number;
        t.type = kTypeDouble;
        t.doubles = std::move(values);
        return t;
    }
    static GeoTag Shorts(WORD number, std::vector<WORD> values) {
        GeoTag t;
        t.tag = number;
        t.type = kTypeShort;
        t.shorts = std::move(values);
        return t;
    }
    static GeoTag Ascii(WORD number, std::string text) {
        GeoTag t;
        t.tag = number;
        t.type = kTypeAscii;
        t.ascii = std::move(text);
        return t;
    }

    uint32_t Count() const {
        if (type == kTypeDouble) return static_cast<uint32_t>(doubles.size());
        if (type == kTypeShort) return static_cast<uint32_t>(shorts.size());
        return static_cast<uint32_t>(ascii.size());
    }
};

}  // namespace velmora::geo
