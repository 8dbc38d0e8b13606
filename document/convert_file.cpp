// One file converted into another, and a batch's outputs chosen.
#include <map>

#include "document/convert_geo.h"
#include "velmora/formats.h"
#include "velmora/thumbnail.h"

namespace velmora {

namespace {

bool Transform(CNewDIB* dib, const ConvertSteps& steps, ConvertResult* result) {
    for (size_t i = 0; i < steps.transforms.size(); ++i) {
        if (!(dib->*steps.transforms[i])()) {
            result->stage = ConvertStage::transform;
            result->transform = static_cast<int>(i);
            return false;
        }
    }
    if (steps.thumbnail <= 0) return true;
    CNewDIB small;
    if (!MakeThumbnail(dib, steps.thumbnail, steps.thumbnail, &small)) {
        result->stage = ConvertStage::thumbnail;
        return false;
    }
    small.SetMetadata(dib->GetMetadata());
    if (!dib->CopyDIB(&small)) {
        result->stage = ConvertStage::thumbnail;
        return false;
    }
    return true;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ConvertResult ConvertDIBFile(const std::string& input, int inputFormat, const std::string& output, int format,
                             const ConvertSteps& steps) {
    ConvertResult result;
    CNewDIB dib;
    dib.SetAutoOrient(steps.autoOrient ? 1 : 0);
    if (steps.read ? !steps.read(input, &dib, &result.message) : !dib.ReadFile(input.c_str(), inputFormat)) {
        result.stage = ConvertStage::read;
        if (!steps.read) result.text = dib.GetLastErrorText();
        return result;
    }
    const int width = dib.GetWidth(), height = dib.GetHeight();
    if (!Transform(&dib, steps, &result)) return result;
    // A name the library's rule does not know ("x.tiff") is saved by the table's.
    const int target = format >= 0 ? format : FormatOfPathExtension(output.c_str());
    if (!FitDIBToFormat(&dib, target, steps, &result.message)) {
        result.stage = ConvertStage::fit;
        return result;
    }
    if (steps.strip) dib.SetMetadata(ImageMetadata());
    SaveConverted(dib, input, output, target, target, steps, width, height, &result);
    return result;
}

std::string BatchOutputPath(const std::string& input, const std::string& outDir, int format) {
    std::string stem = BaseName(input);
    const size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0) stem.erase(dot);
    std::string extension;
    if (const FileFormat* row = FileFormatOf(format))
        for (const char* c = row->extension; *c; ++c) extension += static_cast<char>(*c - 'A' + 'a');
    const std::string dir = !outDir.empty() && outDir.back() == '/' ? outDir : outDir + "/";
    return dir + stem + "." + extension;
}

bool PlanBatchOutputs(const std::vector<std::string>& inputs, const std::string& outDir, int format,
                      std::vector<std::string>* outputs, std::string* error) {
    std::map<std::string, std::string> inputOf;
    for (const std::string& input : inputs) {
        const std::string output = BatchOutputPath(input, outDir, format);
        auto [at, fresh] = inputOf.emplace(output, input);
        if (!fresh) {
            *error = "'" + at->second + "' and '" + input + "' would both be saved as '" + output + "'";
            return false;
        }
        outputs->push_back(output);
    }
    return true;
}

}  // namespace velmora
