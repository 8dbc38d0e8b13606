// velmora tiles IN OUTDIR: a DeepZoom pyramid of an image, for viewers that
// pan and zoom (OpenSeadragon and the like).
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "tools/dz_writer.h"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora tiles IN OUTDIR [--format jpg|png] [--tile-size N] [--overlap N] [--quality N]\n"
    "Writes OUTDIR/<name>.dzi and OUTDIR/<name>_files/<level>/<column>_<row>.<format>, a DeepZoom\n"
    "pyramid: the top level is the image, each level below is halved by averaging 2x2 pixels, down\n"
    "to 1x1. Defaults: jpg tiles of 254 pixels overlapping by 1; --quality is the JPEG quality.\n";

struct TilesRequest {
    std::string input, outdir;
    DzOptions options;
};

bool ParseInt(const std::string& text, int low, int high, int* value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) || *end != '\0' || v < low || v > high)
        return false;
    *value = static_cast<int>(v);
    return true;
}

bool TakeOption(const std::string& name, const std::string& value, DzOptions* options, std::string* error) {
    int number = 0;
    bool ok = true;
    if (name == "--format") {
        ok = value == "jpg" || value == "png";
        options->format = value;
    } else if (name == "--tile-size") {
        ok = ParseInt(value, 1, 8192, &options->tile_size);
    } else if (name == "--overlap") {
        ok = ParseInt(value, 0, 8192, &options->overlap);
    } else if ((ok = ParseInt(value, 1, 100, &number))) {
        options->quality = number;
    }
    if (!ok) *error = "bad value '" + value + "' for " + name;
    return ok;
}

bool ParseRequest(const Args& args, TilesRequest* request, std::string* error) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--format" || arg == "--tile-size" || arg == "--overlap" || arg == "--quality") {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            if (!TakeOption(arg, args[++i], &request->options, error)) return false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) {
        *error = "tiles takes an input file and an output folder";
        return false;
    }
    if (request->options.overlap >= request->options.tile_size) {
        *error = "--overlap must be smaller than --tile-size";
        return false;
    }
    request->input = files[0];
    request->outdir = files[1];
    return true;
}

int Tiles(const TilesRequest& request) {
    try {
        const Image image = Image::open(request.input);
        const std::string stem = std::filesystem::path(request.input).stem().string();
        WriteDeepZoom(image, request.outdir, stem, request.options);
    } catch (const Error& e) {
        PrintFailure(e.what(), "");
        return kExitFailure;
    } catch (const std::filesystem::filesystem_error& e) {
        PrintFailure(std::string("cannot write the tiles: ") + e.what(), "");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

int RunTiles(const Args& args) { return RunRequest<TilesRequest>(args, kUsage, ParseRequest, Tiles); }

}  // namespace velmora::cli
