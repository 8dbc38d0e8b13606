// velmora geotiff: a GeoTIFF file's key report, and GeoTIFF files written
// with its georeferencing.
#include <iostream>
#include <new>
#include <sstream>
#include <string>

#include "tools/commands.h"
#include "velmora/geotiff.h"
#include "velmora/newdib.h"

namespace velmora::cli {

namespace {

struct GeoTiffRequest {
    std::string input;
    std::string report;  // empty: standard output (unless writing)
    std::string output;  // empty: no GeoTIFF written
    std::string image;   // empty: the input's own image
};

const char kUsage[] =
    "usage: velmora geotiff FILE [--report PATH] [--write OUT.tif [--image IMG]]\n"
    "Prints the GeoTIFF key report of FILE (the library's \"tag.txt\" text). --report writes it to PATH\n"
    "instead. --write saves IMG (any readable image; FILE's own image by default) as the GeoTIFF file\n"
    "OUT.tif carrying FILE's georeferencing; the report is then printed only when --report asks for it.\n";

bool ParseRequest(const Args& args, GeoTiffRequest* request, std::string* error) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string* value = arg == "--report" ? &request->report
                             : arg == "--write" ? &request->output
                             : arg == "--image" ? &request->image
                                                : nullptr;
        if (value) {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            *value = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 1) {
        *error = "geotiff needs one file";
        return false;
    }
    if (!request->image.empty() && request->output.empty()) {
        *error = "--image needs --write";
        return false;
    }
    request->input = files[0];
    return true;
}

// The report also prepares the object for writing.
int Report(const GeoTiffRequest& request, CGeoTIFF& geo) {
    if (request.report.empty()) {
        std::ostringstream text;
        geo.OutputResult(text);
        if (request.output.empty()) std::cout << text.str() << std::flush;
        return kExitOk;
    }
    if (!geo.OutputResult(request.report.c_str())) {
        std::fprintf(stderr, "velmora: cannot write the report to %s\n", request.report.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

int Write(const GeoTiffRequest& request, CGeoTIFF& geo) {
    const std::string& source = request.image.empty() ? request.input : request.image;
    CNewDIB image;
    if (!image.ReadFile(source.c_str(), -1)) {
        PrintFailure("cannot read " + source, image.GetLastErrorText());
        return kExitFailure;
    }
    geo.SetTargetDIB(&image);
    if (!geo.SaveGeoTIFFFile(request.output.c_str())) {
        PrintFailure("cannot save " + request.output, geo.GetErrorText());
        return kExitFailure;
    }
    if (!IsQuiet()) std::printf("wrote %s\n", request.output.c_str());
    return kExitOk;
}

int RunGeoTiffRequest(const GeoTiffRequest& request) {
    CGeoTIFF geo;
    if (!geo.LoadGeoTIFFFile(request.input.c_str())) {
        PrintFailure("cannot read the GeoTIFF tags of " + request.input, geo.GetErrorText());
        return kExitFailure;
    }
    // A report copies the tie points the load held: a file whose count the
    // load could just hold may leave no room for the copy.
    try {
        if (int status = Report(request, geo)) return status;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "velmora: out of memory reporting %s\n", request.input.c_str());
        return kExitFailure;
    }
    return request.output.empty() ? kExitOk : Write(request, geo);
}

}  // namespace

int RunGeoTiff(const Args& args) { return RunRequest<GeoTiffRequest>(args, kUsage, ParseRequest, RunGeoTiffRequest); }

}  // namespace velmora::cli
