#include "document/convert_geo.h"

#include "velmora/environment.h"
#include "velmora/formats.h"
#include "velmora/geotiff.h"

namespace velmora {

namespace {

// The georeferencing transform that follows an image transform; 0 for one
// that moves no pixel (invert).
int GeoOperation(DIBOperation transform) {
    if (transform == &CNewDIB::LeftRotate) return GEO_LEFT_ROTATE;
    if (transform == &CNewDIB::RightRotate) return GEO_RIGHT_ROTATE;
    if (transform == &CNewDIB::VerticalFlip) return GEO_VERTICAL_FLIP;
    if (transform == &CNewDIB::HorizonFlip) return GEO_HORIZON_FLIP;
    return 0;
}

// The input's georeferencing, moved with its pixels; false when the input
// is not a TIFF file with GeoTIFF tags.
bool LoadMoved(CGeoTIFF& geo, const std::string& input, const ConvertSteps& steps, int width, int height) {
    if (FormatOfPathExtension(input.c_str()) != DIBTYPE_TIF) return false;
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
    for (DIBOperation transform : steps.transforms) {
        if (const int operation = GeoOperation(transform)) {
            geo.TransformGeoreferencing(operation, width, height);
            if (operation == GEO_LEFT_ROTATE || operation == GEO_RIGHT_ROTATE) std::swap(width, height);
        }
    }
    return true;
}

}  // namespace

void SaveConverted(CNewDIB& dib, const std::string& input, const std::string& output, int format, int fitted,
                   const ConvertSteps& steps, int width, int height, ConvertResult* result) {
    CGeoTIFF geo;
    // A thumbnail is a new picture: the input's georeferencing no longer fits it.
    const bool georeferenced = steps.thumbnail == 0 && LoadMoved(geo, input, steps, width, height);
    if (georeferenced && fitted == DIBTYPE_TIF) {
        geo.SetTargetDIB(&dib);
        if (!geo.SaveGeoTIFFFile(output.c_str())) {
            result->stage = ConvertStage::save;
            result->text = geo.GetErrorText();
            return;
        }
    } else if (!dib.SaveFile(output.c_str(), format, 1)) {
        result->stage = ConvertStage::save;
        result->text = dib.GetLastErrorText();
        return;
    }
    if (!steps.worldFile) return;
    if (!georeferenced || !geo.WriteWorldFile(output.c_str())) {
        const std::string world = CGeoTIFF::WorldFilePath(output.c_str()).c_str();
        result->stage = ConvertStage::worldFile;
        result->message = georeferenced ? "cannot write the world file " + world
                                        : "no world file for " + output + ": " + input + " holds no georeferencing";
    }
}

}  // namespace velmora
