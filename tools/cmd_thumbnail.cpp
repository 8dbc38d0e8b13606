// velmora thumbnail IN OUT --size N|WxH: a filtered reduction that keeps the
// aspect ratio (the library's MakeThumbnail).
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/convert_request.h"
#include "tools/file_kind.h"
#include "tools/overview_picture.h"
#include "tools/photo_options.h"
#include "tools/std_streams.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"
#include "velmora/thumbnail.h"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora thumbnail IN OUT --size N|WxH [--format FORMAT] [--no-auto-orient] [--strip]\n"
    "Reads IN and saves OUT reduced so that its longest side is N pixels (or so that it fits inside\n"
    "WxH), with its aspect ratio kept: areas are averaged while the rows stream past, then a\n"
    "Lanczos-3 filter gives the exact size (a TIFF with overviews is read from the smallest overview at\n"
    "least twice that size). OUT is 24-bit (a PNG or TIFF OUT of an image with alpha keeps it:\n"
    "32-bit), in the format its extension names or\n"
    "--format names. '-' reads standard input or writes standard output (then --format is needed).\n";

constexpr long kMaxSide = 65535;

struct ThumbnailRequest {
    std::string input, output;
    int width = 0, height = 0;
    int format = -1;
    PhotoOptions photo;
};

bool ParseSide(const std::string& text, int* side) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || text[0] == '+' || *end != '\0' || v < 1 || v > kMaxSide) return false;
    *side = static_cast<int>(v);
    return true;
}

// "N" (a square box) or "WxH".
bool ParseBox(const std::string& text, int* width, int* height) {
    const size_t x = text.find('x');
    if (x == std::string::npos) return ParseSide(text, width) && ParseSide(text, height);
    return ParseSide(text.substr(0, x), width) && ParseSide(text.substr(x + 1), height);
}

bool ParseRequest(const Args& args, ThumbnailRequest* request, std::string* error) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (TakePhotoOption(args, &i, &request->photo)) continue;
        if (arg == "--size" || arg == "--format") {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (arg == "--size" && !ParseBox(value, &request->width, &request->height)) {
                *error = "bad value '" + value + "' for --size (N or WxH, 1 to 65535)";
                return false;
            }
            if (arg == "--format" && (request->format = ParseFormat(value)) < 0) {
                *error = "unknown format '" + value + "'";
                return false;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        *error = files.size() < 2 ? "thumbnail needs an input and an output file"
                                  : "thumbnail takes one input and one output; '" + files[2] + "' is one too many";
        return false;
    }
    if (request->width == 0) {
        *error = "thumbnail needs --size N or --size WxH";
        return false;
    }
    request->input = files[0];
    request->output = files[1];
    return true;
}

// PNG and TIFF outputs keep the alpha of a 32-bit image; the others get the
// 24-bit thumbnail they always had.
bool Reduce(CNewDIB* image, const ThumbnailRequest& request, int format, CNewDIB* thumbnail) {
    if (format < 0) {  // by the extension
        const size_t dot = request.output.find_last_of('.');
        format = dot == std::string::npos ? -1 : ParseFormat(request.output.substr(dot + 1));
    }
    if (format != DIBTYPE_PNG && format != DIBTYPE_TIF)
        return MakeThumbnail(image, request.width, request.height, thumbnail) != 0;
    int width = 0, height = 0;
    FitThumbnailSize(image->GetWidth(), image->GetHeight(), request.width, request.height, &width, &height);
    return MakeResized(image, width, height, thumbnail) != 0;
}

int Thumbnail(const ThumbnailRequest& given) {
    ThumbnailRequest request = given;
    std::string error;
    if (!ResolveInput(&request.input, &error) || !ResolveOutput(&request.output, request.format, &error))
        return UsageError(error);
    CNewDIB image;
    PrepareRead(&image, request.photo);
    const bool fromOverview = SniffFormat(request.input) == DIBTYPE_TIF &&
                              ReadOverviewForBox(request.input, request.width, request.height, &image);
    if (!fromOverview &&
        !image.ReadFileForBox(request.input.c_str(), InputFormat(request.input), request.width, request.height)) {
        PrintFailure("cannot read " + given.input, image.GetLastErrorText());
        return kExitFailure;
    }
    CNewDIB thumbnail;
    const int format = SaveFormatFor(request.output, request.format);
    if (!Reduce(&image, request, format, &thumbnail)) {
        PrintFailure("cannot make a thumbnail of " + given.input, "");
        return kExitFailure;
    }
    thumbnail.SetMetadata(image.GetMetadata());
    StripIfAsked(&thumbnail, request.photo);
    image.ReleaseDIB();
    if (!thumbnail.SaveFile(request.output.c_str(), format, 1) ||
        !FinishOutput(request.output)) {
        PrintFailure("cannot save " + given.output, thumbnail.GetLastErrorText());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int RunThumbnail(const Args& args) {
    static const std::string usage = WithPhotoOptions(kUsage);
    return RunRequest<ThumbnailRequest>(args, usage.c_str(), ParseRequest, Thumbnail);
}

}  // namespace velmora::cli
