// velmora::convert_file and batch_outputs over the library's conversion.
#include "api/failure.h"
#include "api/format_choice.h"
#include "velmora/cfile.h"
#include "velmora/convert.h"
#include "velmora/formats.h"
#include "velmora/image.hpp"
#include "velmora/system.h"

namespace velmora {

namespace {

DIBOperation StepNamed(const std::string& name) {
    const std::pair<const char*, DIBOperation> steps[] = {
        {"left", &CNewDIB::LeftRotate},        {"right", &CNewDIB::RightRotate},
        {"vertical", &CNewDIB::VerticalFlip},  {"horizontal", &CNewDIB::HorizonFlip},
        {"invert", &CNewDIB::InvertColor},
    };
    for (const auto& [known, operation] : steps)
        if (name == known) return operation;
    api::ThrowUsage(ErrorCode::invalid_argument, "no conversion step named '" + name + "'");
}

ConvertSteps StepsOf(const ConvertOptions& options, std::string* said) {
    if (options.colors < 2 || options.colors > 256 || options.thumbnail < 0)
        api::ThrowUsage(ErrorCode::invalid_argument, "a conversion keeps 2 to 256 colours and a thumbnail of N >= 0");
    ConvertSteps steps;
    for (const std::string& name : options.transforms) steps.transforms.push_back(StepNamed(name));
    steps.thumbnail = options.thumbnail;
    steps.colors = options.colors;
    steps.dither = options.dither;
    steps.note = [said](const std::string& what, const char* format) { *said = what + " for " + format; };
    return steps;
}

}  // namespace

std::string convert_file(const std::string& input, const std::string& output, const ConvertOptions& options) {
    std::string said;
    const ConvertSteps steps = StepsOf(options, &said);
    const int inputFormat = api::FormatForOpen(input);
    const int format = api::FormatForSave(output, options.format);
    ConvertResult result;
    try {
        result = ConvertDIBFile(input, inputFormat, output, format, steps);
    } catch (const CFileException& e) {
        api::ThrowFileException(api::Operation::read, "cannot convert", input, e, nullptr);
    }
    const int err = GetLastSystemError();
    switch (result.stage) {
        case ConvertStage::done: return said;
        case ConvertStage::read: api::ThrowFailure(api::Operation::read, "cannot read", input, result.text, err);
        case ConvertStage::save: api::ThrowFailure(api::Operation::save, "cannot save", output, result.text, err);
        case ConvertStage::transform:
            api::ThrowFailure(api::Operation::transform, "cannot " + options.transforms[result.transform] + " the image of",
                              input, nullptr);
        case ConvertStage::thumbnail:
            api::ThrowFailure(api::Operation::transform, "cannot make a thumbnail of", input, nullptr);
        case ConvertStage::fit:
        case ConvertStage::worldFile: break;
    }
    throw Error(ErrorCode::transform_failed, "cannot convert '" + input + "': " + result.message);
}

std::vector<std::string> batch_outputs(const std::vector<std::string>& inputs, const std::string& out_dir,
                                       const std::string& format) {
    const int code = FormatOfName(format.c_str());
    if (code < 0) throw Error(ErrorCode::unknown_format, "no format named '" + format + "'");
    std::vector<std::string> outputs;
    std::string error;
    if (!PlanBatchOutputs(inputs, out_dir, code, &outputs, &error)) api::ThrowUsage(ErrorCode::invalid_argument, error);
    return outputs;
}

}  // namespace velmora
