// Converting an image file into another: read, transform, bring the depth to
// one the output format holds, save (a GeoTIFF input keeps its place on the
// map in a TIFF output), and choosing a batch's outputs so that no two
// inputs share one. `velmora convert` and the Python batch both run these.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "velmora/newdib.h"

namespace velmora {

using DIBOperation = int (CNewDIB::*)();

struct ConvertSteps {
    // Run in order: LeftRotate, RightRotate, VerticalFlip, HorizonFlip or
    // InvertColor (a GeoTIFF's georeferencing follows the turns and flips).
    std::vector<DIBOperation> transforms;
    int thumbnail = 0;       // then a 24-bit thumbnail within N x N; 0: none
    int colors = 256;        // kept when an image is reduced to 8 bits, 2-256
    bool dither = true;      // Floyd-Steinberg dithering when reducing
    bool worldFile = false;  // an ESRI world file beside the output
    // Reads the input in place of the library's reader when set (velmora
    // convert --bands / --scale render a TIFF's chosen samples): true with
    // `dib` filled, false with `error` (English) set.
    std::function<bool(const std::string& input, CNewDIB* dib, std::string* error)> read;
    bool autoOrient = true;  // a picture stored turned read upright (CNewDIB::SetAutoOrient)
    bool strip = false;      // the input's colour profile and EXIF left out of the output
    // Told what fitting the depth did ("24-bit image reduced to 256
    // colours"), when it did anything; the output format's name follows.
    std::function<void(const std::string& what, const char* format)> note;
};

enum class ConvertStage { done, read, transform, thumbnail, fit, save, worldFile };

struct ConvertResult {
    ConvertStage stage = ConvertStage::done;  // where it failed
    int transform = -1;   // the index of the transform that failed
    std::string message;  // English, for a failed fit or world file, or a failed read of steps.read
    CString text;         // the library's failure text (GBK) of a failed read or save
    bool ok() const { return stage == ConvertStage::done; }
};

// Converts `input`, read as format `inputFormat` (-1: the library's rule by
// extension), into `output` in format `format` (-1: by the output's
// extension, four-letter names included).
ConvertResult ConvertDIBFile(const std::string& input, int inputFormat, const std::string& output, int format,
                             const ConvertSteps& steps);

// Brings `dib` to a depth format `format` holds (-1: nothing to fit to):
// indices widened to the next depth it takes, 16 and 32-bit images to 24
// where it takes 24, anything else reduced to 8 bits with a palette chosen
// for the image (steps.colors, steps.dither). True when nothing was needed
// or the change worked (told to steps.note); false, with `error` set, when
// it failed.
bool FitDIBToFormat(CNewDIB* dib, int format, const ConvertSteps& steps, std::string* error);

// Where a batch saves `input`: `outDir`/<its name less the extension>.<the
// format's extension>.
std::string BatchOutputPath(const std::string& input, const std::string& outDir, int format);
// The outputs of `inputs`, in their order; false, with `error` naming both,
// when two inputs would be saved as one file (the first would be lost).
bool PlanBatchOutputs(const std::vector<std::string>& inputs, const std::string& outDir, int format,
                      std::vector<std::string>* outputs, std::string* error);

}  // namespace velmora
