// velmora convert: read an image, apply transforms in the order given, save
// it; or the same for many files into one folder (convert_batch.cpp).
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/convert_depth.h"
#include "tools/convert_request.h"
#include "tools/file_kind.h"
#include "tools/jpeg_quality_option.h"
#include "tools/tiff_options.h"
#include "tools/std_streams.h"
#include "velmora/cfile.h"
#include "velmora/environment.h"
#include "velmora/formats.h"
#include "velmora/newdib.h"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora convert IN OUT [--rotate left|right|90|180|270] [--flip vertical|horizontal] [--invert]\n"
    "                       [--format FORMAT] [--world-file] [--quality N] [--no-auto-orient] [--strip]\n"
    "       velmora convert --to FORMAT --out-dir DIR [transforms] FILE...\n"
    "Reads IN, applies the transforms in the order given, and saves OUT. The formats are chosen by the\n"
    "files' extensions (BMP, TIF, PCX, GIF, JPG, PNG); --format names the output's instead, as a code\n"
    "0-5 or a name (bmp, tif or tiff, pcx, gif, jpg or jpeg, png). An input whose extension is none of\n"
    "those is read by its content; an output named .tiff or .jpeg is saved as TIF or JPG. '-' reads\n"
    "standard input (the format from the content) or writes standard output (the format from\n"
    "--format). --rotate 90 turns clockwise (as right), 270 anticlockwise (as left), 180 twice.\n"
    "--quality sets the JPEG quality (1-100, default 75).\n"
    "--bands 3,2,1 makes the picture of a TIFF from the bands named (one for grey, three for RGB), and\n"
    "--scale MIN MAX maps samples from MIN..MAX to 0..255 as gdal_translate -scale does (once for all\n"
    "bands, or once per band in order); with either, bands of any sample type are read as stored and\n"
    "mapped (without --scale, from each band's least to greatest value, 8-bit samples as they are).\n"
    "A GeoTIFF input keeps its place on the map: a TIFF output carries its GeoTIFF tags, recomputed for\n"
    "turns and flips; --world-file also writes an ESRI world file beside the output (.tfw .bpw .pgw .jgw\n"
    ".gfw .pcxw).\n"
    "The second form converts every FILE into DIR (made when missing) under its own name with the\n"
    "extension of FORMAT, showing one progress bar for the whole batch. A file that fails does not\n"
    "stop the others; the failures are listed at the end and the exit status is 1.\n"
    "--compress none|deflate|lzw|jpeg sets a TIF output's compression (Deflate and LZW with the\n"
    "horizontal predictor; JPEG for colour images, Deflate for images with a colour table).\n"
    "An image the output format cannot hold is converted first (said on standard error):\n"
    "indexed images widened, 16 and 32-bit ones to 24 bits, or reduced to 8 bits for GIF.\n"
    "  --level N      zlib level of PNG files, 0-9 (default: the library's, 3)\n"
    "  --colors N     colours kept when an image is reduced to 8 bits, 2-256 (default 256)\n"
    "  --no-dither    reduce without Floyd-Steinberg dithering\n";

bool ParseTransform(const std::string& option, const std::string& value, Transform* out) {
    out->name = option.substr(2) + " " + value;
    // Degrees turn clockwise, as "right" does; 180 is two turns (ParseRequest).
    if (option == "--rotate" && (value == "left" || value == "270")) out->run = &CNewDIB::LeftRotate;
    else if (option == "--rotate" && (value == "right" || value == "90" || value == "180")) out->run = &CNewDIB::RightRotate;
    else if (option == "--flip" && value == "vertical") out->run = &CNewDIB::VerticalFlip;
    else if (option == "--flip" && value == "horizontal") out->run = &CNewDIB::HorizonFlip;
    else return false;
    return true;
}

bool Has(const Args& args, const char* option) {
    for (const std::string& arg : args)
        if (arg == option) return true;
    return false;
}

// The one-file form takes IN and OUT; the batch form --to, --out-dir and at
// least one file, and no --format (--to says it).
bool CheckShape(const ConvertRequest& request, const Args& args, std::string* error) {
    if (!request.batch) {
        if (request.files.size() > 2)
            *error = "convert takes one input and one output; '" + request.files[2] + "' is one too many (for many "
                     "files use --to FORMAT --out-dir DIR)";
        else if (request.files.size() == 1) *error = "convert needs an output file after '" + request.files[0] + "'";
        else if (request.files.empty()) *error = "convert needs an input and an output file";
        return request.files.size() == 2;
    }
    if (Has(args, "--format")) *error = "a batch takes its format from --to, not --format";
    else if (Has(args, "-")) *error = "a batch converts named files ('-' is for the one-file form)";
    else if (!Has(args, "--to")) *error = "a batch needs --to FORMAT";
    else if (request.outDir.empty()) *error = "a batch needs --out-dir DIR";
    else if (request.files.empty()) *error = "a batch needs at least one file";
    return error->empty();
}

// False, with `error` set, on a command line that does not fit the usage.
bool ParseRequest(const Args& args, ConvertRequest* request, std::string* error) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const int taken = TakeTiffOption(args, &i, error)) {
            if (taken < 0) return false;
            continue;
        }
        if (const int taken = TakeQualityOption(args, &i, error)) {
            if (taken < 0) return false;
            continue;
        }
        if (const int taken = TakeBandOption(args, &i, &request->bands, error)) {
            if (taken < 0) return false;
            continue;
        }
        if (TakePhotoOption(args, &i, &request->photo)) continue;
        if (arg == "--invert") {
            request->transforms.push_back({"invert", &CNewDIB::InvertColor});
            continue;
        }
        if (arg == "--world-file") {
            request->worldFile = true;
            continue;
        }
        if (arg == "--rotate" || arg == "--flip" || arg == "--format" || arg == "--to" || arg == "--out-dir") {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (arg == "--out-dir") {
                request->batch = true;
                request->outDir = value;
                continue;
            }
            if (arg == "--format" || arg == "--to") {
                request->batch = request->batch || arg == "--to";
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
            if (value == "180") request->transforms.push_back(transform);
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        }
        files.push_back(arg);
    }
    request->files = files;
    return CheckShape(*request, args, error);
}

int ConvertOne(const ConvertRequest& request) {
    const std::string& input = request.files[0];
    const std::string& output = request.files[1];
    std::string inputFile = input, outputFile = output, error;
    if (!ResolveInput(&inputFile, &error) || !ResolveOutput(&outputFile, request.format, &error))
        return UsageError(error);
    const ConvertResult result =
        ConvertDIBFile(inputFile, InputFormat(inputFile), outputFile, request.format, StepsOf(request, input));
    switch (result.stage) {
        case ConvertStage::done: return FinishOutput(outputFile) ? kExitOk : kExitFailure;
        case ConvertStage::read:
            if (result.message.empty()) PrintFailure("cannot read " + input, result.text.c_str());
            else std::fprintf(stderr, "velmora: %s\n", result.message.c_str());
            break;
        case ConvertStage::save: PrintFailure("cannot save " + output, result.text.c_str()); break;
        case ConvertStage::transform:
        case ConvertStage::thumbnail:
            std::fprintf(stderr, "velmora: %s failed on %s\n", StepName(request, result).c_str(), input.c_str());
            break;
        case ConvertStage::fit: std::fprintf(stderr, "velmora: %s: %s\n", input.c_str(), result.message.c_str()); break;
        case ConvertStage::worldFile: std::fprintf(stderr, "velmora: %s\n", result.message.c_str()); break;
    }
    return kExitFailure;
}

int Convert(const ConvertRequest& request) { return request.batch ? ConvertBatch(request) : ConvertOne(request); }

}  // namespace

int ParseFormat(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + FileFormatCount()) return text[0] - '0';
    return FormatOfName(text.c_str());
}

std::string FormatExtension(int format) {
    const FileFormat* row = FileFormatOf(format);
    std::string ext = row ? row->extension : "";
    for (char& c : ext) c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string StepName(const ConvertRequest& request, const ConvertResult& result) {
    return result.stage == ConvertStage::transform ? request.transforms[result.transform].name : "thumbnail";
}

ConvertSteps StepsOf(const ConvertRequest& request, const std::string& input) {
    ConvertSteps steps = DepthSteps(input);
    for (const Transform& transform : request.transforms) steps.transforms.push_back(transform.run);
    steps.worldFile = request.worldFile;
    if (request.bands.Chosen()) {
        steps.read = [choice = request.bands](const std::string& file, CNewDIB* dib, std::string* error) {
            return RenderBands(file, choice, dib, error);
        };
    } else if (!IsQuiet() && SniffFormat(input) == DIBTYPE_TIF) {
        const std::string note = ExtraBandsNote(input);
        if (!note.empty()) std::fprintf(stderr, "velmora: %s\n", note.c_str());
    }
    steps.autoOrient = request.photo.autoOrient;
    steps.strip = request.photo.strip;
    return steps;
}

int RunConvert(const Args& args) {
    Args rest = args;
    std::string error;
    if (!WantsHelp(args) && !ExtractDepthOptions(&rest, &error)) return UsageError(error);
    static const std::string usage = WithPhotoOptions(kUsage);
    return RunRequest<ConvertRequest>(rest, usage.c_str(), ParseRequest, Convert);
}

}  // namespace velmora::cli
