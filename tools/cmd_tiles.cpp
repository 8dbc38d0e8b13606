// velmora tiles IN OUTDIR: a DeepZoom pyramid of an image, for viewers that
// pan and zoom (OpenSeadragon and the like).
#include <filesystem>
#include <string>

#include "tools/band_picture.h"
#include "tools/commands.h"
#include "tools/dz_writer.h"
#include "tools/option_parser.h"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora tiles IN OUTDIR [--format jpg|png] [--tile-size N] [--overlap N] [--quality N]\n"
    "                     [--bands LIST] [--scale MIN MAX]\n"
    "Writes OUTDIR/<name>.dzi and OUTDIR/<name>_files/<level>/<column>_<row>.<format>, a DeepZoom\n"
    "pyramid: the top level is the image, each level below is halved by averaging 2x2 pixels, down\n"
    "to 1x1. Defaults: jpg tiles of 254 pixels overlapping by 1; --quality is the JPEG quality.\n"
    "--bands and --scale make the picture from a TIFF's chosen bands, as convert does.\n";

struct TilesRequest {
    std::string input, outdir;
    DzOptions options;
    BandChoice bands;
};

bool TakeOption(const std::string& name, const std::string& value, DzOptions* options, std::string* error) {
    int number = 0;
    bool ok = true;
    if (name == "--format") {
        ok = value == "jpg" || value == "png";
        options->format = value;
    } else if (name == "--tile-size") {
        ok = ParseIntIn(value, 1, 8192, &options->tile_size);
    } else if (name == "--overlap") {
        ok = ParseIntIn(value, 0, 8192, &options->overlap);
    } else if ((ok = ParseIntIn(value, 1, 100, &number))) {
        options->quality = number;
    }
    if (!ok) *error = "bad value '" + value + "' for " + name;
    return ok;
}

bool ParseRequest(const Args& args, TilesRequest* request, std::string* error) {
    Args rest;
    if (!TakeBandOptions(args, &request->bands, &rest, error)) return false;
    ParsedArgs parsed;
    if (!SplitArgs(rest, {}, {"--format", "--tile-size", "--overlap", "--quality"}, &parsed, error)) return false;
    for (const auto& [name, value] : parsed.options)
        if (!TakeOption(name, value, &request->options, error)) return false;
    if (parsed.files.size() != 2) {
        *error = "tiles takes an input file and an output folder";
        return false;
    }
    if (request->options.overlap >= request->options.tile_size) {
        *error = "--overlap must be smaller than --tile-size";
        return false;
    }
    request->input = parsed.files[0];
    request->outdir = parsed.files[1];
    return true;
}

int Tiles(const TilesRequest& request) {
    try {
        const Image image =
            request.bands.Chosen() ? RenderBandImage(request.input, request.bands) : Image::open(request.input);
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
