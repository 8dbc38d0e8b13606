// velmora convert: read an image, apply transforms in the order given, save it.
#include <string>
#include <vector>

#include "tools/commands.h"
#include "velmora/cfile.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"

namespace velmora::cli {

namespace {

using TransformOperation = int (CNewDIB::*)();

struct Transform {
    std::string name;  // as the user wrote it, for messages
    TransformOperation run;
};

struct ConvertRequest {
    std::string input;
    std::string output;
    std::vector<Transform> transforms;
    int format = -1;  // -1: by the output's extension
};

const char kUsage[] =
    "usage: velmora convert IN OUT [--rotate left|right] [--flip vertical|horizontal] [--invert]\n"
    "                       [--format CODE]\n"
    "Reads IN, applies the transforms in the order given, and saves OUT. The formats are chosen by the\n"
    "files' extensions (BMP, TIF, PCX, GIF, JPG, PNG); --format names the output's instead, as a code\n"
    "0-5 or an extension.\n";

// A format code from "0".."5" or an extension name; -1 for anything else.
int ParseFormat(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '5') return text[0] - '0';
    CString upper(text.c_str());
    upper.MakeUpper();
    for (int code = DIBTYPE_BMP; code < DIBTYPE_NONE; ++code)
        if (GetDIBExt(code) == CString("*.") + upper) return code;  // "*.BMP"
    return -1;
}

bool ParseTransform(const std::string& option, const std::string& value, Transform* out) {
    out->name = option.substr(2) + " " + value;
    if (option == "--rotate" && value == "left") out->run = &CNewDIB::LeftRotate;
    else if (option == "--rotate" && value == "right") out->run = &CNewDIB::RightRotate;
    else if (option == "--flip" && value == "vertical") out->run = &CNewDIB::VerticalFlip;
    else if (option == "--flip" && value == "horizontal") out->run = &CNewDIB::HorizonFlip;
    else return false;
    return true;
}

// False, with `error` set, on a command line that does not fit the usage.
bool ParseRequest(const Args& args, ConvertRequest* request, std::string* error) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--invert") {
            request->transforms.push_back({"invert", &CNewDIB::InvertColor});
            continue;
        }
        if (arg == "--rotate" || arg == "--flip" || arg == "--format") {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (arg == "--format") {
                request->format = ParseFormat(value);
                if (request->format < 0) {
                    *error = "unknown format '" + value + "'";
                    return false;
                }
                continue;
            }
            Transform transform;
            if (!ParseTransform(arg, value, &transform)) {
                *error = "bad value '" + value + "' for " + arg;
                return false;
            }
            request->transforms.push_back(transform);
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        }
        files.push_back(arg);
    }
    if (files.size() != 2) {
        *error = "convert needs an input and an output file";
        return false;
    }
    request->input = files[0];
    request->output = files[1];
    return true;
}

int Convert(const ConvertRequest& request) {
    CNewDIB dib;
    if (!dib.ReadFile(request.input.c_str(), -1)) {
        PrintFailure("cannot read " + request.input, dib.GetLastErrorText());
        return kExitFailure;
    }
    for (const Transform& transform : request.transforms) {
        if (!(dib.*transform.run)()) {
            std::fprintf(stderr, "velmora: %s failed on %s\n", transform.name.c_str(), request.input.c_str());
            return kExitFailure;
        }
    }
    if (!dib.SaveFile(request.output.c_str(), request.format, 1)) {
        PrintFailure("cannot save " + request.output, dib.GetLastErrorText());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int RunConvert(const Args& args) { return RunRequest<ConvertRequest>(args, kUsage, ParseRequest, Convert); }

}  // namespace velmora::cli
