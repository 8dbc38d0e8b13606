#include "tools/convert_geo.h"

#include <cstdio>

#include "tools/commands.h"
#include "tools/file_kind.h"
#include "velmora/environment.h"
#include "velmora/geotiff.h"

namespace velmora::cli {

namespace {

// The georeferencing transform that follows an image transform; 0 for one
// that moves no pixel (invert).
int GeoOperation(const Transform& transform) {
    if (transform.run == &CNewDIB::LeftRotate) return GEO_LEFT_ROTATE;
    if (transform.run == &CNewDIB::RightRotate) return GEO_RIGHT_ROTATE;
    if (transform.run == &CNewDIB::VerticalFlip) return GEO_VERTICAL_FLIP;
    if (transform.run == &CNewDIB::HorizonFlip) return GEO_HORIZON_FLIP;
    return 0;
}

// The input's georeferencing, moved with its pixels; false when the input
// is not a TIFF file with GeoTIFF tags.
bool LoadMoved(CGeoTIFF& geo, const std::string& input, const ConvertRequest& request, int width, int height) {
    const std::string extension = input.substr(input.find_last_of('.') + 1);
    if (input.find('.') == std::string::npos || ParseFormat(extension) != DIBTYPE_TIF) return false;
    if (!geo.LoadGeoTIFFFile(input.c_str())) return false;
    WORD* keys = nullptr;
    WORD count = 0;
    double* model = nullptr;
    int values = 0;
    geo.GetGeoKeyDirectoryTag(&keys, &count);
    geo.GetModelTiepointTag(&model, &values);
    if (!model) geo.GetModelTransformationTag(&model, &values);
    if (!keys && !model) return false;
    geo.PrepareGeoTags();
    for (const Transform& transform : request.transforms) {
        if (const int operation = GeoOperation(transform)) {
            geo.TransformGeoreferencing(operation, width, height);
            if (operation == GEO_LEFT_ROTATE || operation == GEO_RIGHT_ROTATE) std::swap(width, height);
        }
    }
    return true;
}

int OutputFormat(const std::string& output, int format) {
    if (format >= 0) return format;
    const size_t dot = output.find_last_of('.');
    return dot == std::string::npos ? -1 : ParseFormat(output.substr(dot + 1));
}

}  // namespace

bool SaveConverted(CNewDIB& dib, const std::string& input, const std::string& output, const ConvertRequest& request,
                   int width, int height, std::string* why) {
    CGeoTIFF geo;
    const bool georeferenced = LoadMoved(geo, input, request, width, height);
    if (georeferenced && OutputFormat(output, request.format) == DIBTYPE_TIF) {
        geo.SetTargetDIB(&dib);
        if (!geo.SaveGeoTIFFFile(output.c_str())) {
            *why = geo.GetErrorText().c_str();
            return false;
        }
    } else if (!dib.SaveFile(output.c_str(), SaveFormatFor(output, request.format), 1)) {
        *why = dib.GetLastErrorText();
        return false;
    }
    if (!request.worldFile) return true;
    if (!georeferenced || !geo.WriteWorldFile(output.c_str())) {
        const std::string world = CGeoTIFF::WorldFilePath(output.c_str()).c_str();
        std::fprintf(stderr, "velmora: %s\n",
                     georeferenced ? ("cannot write the world file " + world).c_str()
                                   : ("no world file for " + output + ": " + input + " holds no georeferencing").c_str());
        why->clear();
        return false;
    }
    return true;
}

}  // namespace velmora::cli
