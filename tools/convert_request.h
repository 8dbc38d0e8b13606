// velmora convert: the request, shared by the one-file and batch forms.
#pragma once

#include <string>
#include <vector>

#include "tools/band_picture.h"
#include "tools/photo_options.h"
#include "velmora/convert.h"

namespace velmora::cli {

using TransformOperation = int (CNewDIB::*)();

struct Transform {
    std::string name;  // as the user wrote it, for messages
    TransformOperation run;
};

struct ConvertRequest {
    // One file: the input and the output. Batch: the inputs.
    std::vector<std::string> files;
    std::vector<Transform> transforms;
    int format = -1;  // the output format; -1: by the output's extension
    bool batch = false;
    std::string outDir;  // batch only
    bool worldFile = false;  // an ESRI world file beside each georeferenced output
    BandChoice bands;        // --bands, --scale: a TIFF's samples rendered as chosen
    PhotoOptions photo;
};

// A format code from "0".."5" or an extension name in any case ("png",
// "TIF"); -1 for anything else.
int ParseFormat(const std::string& text);
// The lower-case extension of a format code ("png"); empty for none.
std::string FormatExtension(int format);

// The library's conversion steps for `request`, fitting depths with the
// depth options and saying so under the name `input`.
ConvertSteps StepsOf(const ConvertRequest& request, const std::string& input);

// The name, as the user wrote it, of the step a failed conversion stopped at.
std::string StepName(const ConvertRequest& request, const ConvertResult& result);

int ConvertBatch(const ConvertRequest& request);

}  // namespace velmora::cli
