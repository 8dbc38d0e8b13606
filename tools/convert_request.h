// velmora convert: the request, shared by the one-file and batch forms.
#pragma once

#include <string>
#include <vector>

#include "velmora/newdib.h"

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
};

// A format code from "0".."5" or an extension name in any case ("png",
// "TIF"); -1 for anything else.
int ParseFormat(const std::string& text);
// The lower-case extension of a format code ("png"); empty for none.
std::string FormatExtension(int format);

// Applies the transforms in order; false, with the failed one's name in
// `failed`, when one fails.
bool ApplyTransforms(CNewDIB* dib, const std::vector<Transform>& transforms, std::string* failed);

// Where the batch puts `input`: `outDir`/<input's name less its extension>.<ext>.
std::string BatchOutputPath(const std::string& input, const std::string& outDir, int format);

int ConvertBatch(const ConvertRequest& request);

}  // namespace velmora::cli
