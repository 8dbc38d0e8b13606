// velmora view IN: the image in the system's browser, tiles made as the
// viewer asks for them, from a server on this machine only.
#include <spawn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/commands.h"
#include "tools/option_parser.h"
#include "tools/view_geo.h"
#include "tools/view_server.h"

extern char** environ;

namespace velmora::cli {

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: velmora view IN [--port N] [--no-browser] [--host H]\n"
    "Serves a page showing IN in a deep-zoom viewer at http://127.0.0.1:N/ (N: 8000, 0 for any free\n"
    "port) and opens it in the system's browser unless --no-browser. Tiles are made when first asked\n"
    "for and removed when the viewer stops (Ctrl-C). --host serves on another address (with a warning:\n"
    "anyone who reaches it sees the image).\n";

struct ViewRequest {
    std::string input, host = "127.0.0.1";
    int port = 8000;
    bool browser = true;
};

bool ParseRequest(const Args& args, ViewRequest* request, std::string* error) {
    ParsedArgs parsed;
    if (!SplitArgs(args, {"--no-browser"}, {"--port", "--host"}, &parsed, error)) return false;
    for (const auto& [name, value] : parsed.options) {
        if (name == "--no-browser") {
            request->browser = false;
        } else if (name == "--host") {
            request->host = value;
        } else if (!ParseIntIn(value, 0, 65535, &request->port)) {
            *error = "bad value '" + value + "' for --port (0 to 65535)";
            return false;
        }
    }
    if (parsed.files.size() != 1) {
        *error = "view takes one image file";
        return false;
    }
    request->input = parsed.files[0];
    return true;
}

// OpenSeadragon's files: beside an installed tool, else in the build tree.
std::string ScriptDir() {
    std::error_code ec;
    const fs::path installed = fs::read_symlink("/proc/self/exe", ec).parent_path() / "../share/velmora/openseadragon";
    if (!ec && fs::is_regular_file(installed / "openseadragon.min.js")) return installed.string();
#ifdef VELMORA_VIEWER_BUILD_DIR
    if (fs::is_regular_file(fs::path(VELMORA_VIEWER_BUILD_DIR) / "openseadragon.min.js")) return VELMORA_VIEWER_BUILD_DIR;
#endif
    return std::string();
}

// A folder of its own for the tiles, in the page-file folder.
std::string MakeCacheDir() {
    std::string base = virtual_dir();
    if (base.empty()) base = fs::temp_directory_path().string();
    std::string pattern = (fs::path(base) / "velmora-view-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw Error(ErrorCode::write_failed, "cannot make a folder in " + base);
    return pattern;
}

void OpenBrowser(const std::string& url) {
    std::string opener = "xdg-open";
    char* argv[] = {opener.data(), const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
        std::fprintf(stderr, "velmora: no browser opened (xdg-open is missing); open %s\n", url.c_str());
}

int View(const ViewRequest& request) {
    const std::string scripts = ScriptDir();
    if (scripts.empty()) {
        PrintFailure("the viewer's scripts (OpenSeadragon) are not installed; scripts/setup.sh installs them", "");
        return kExitFailure;
    }
    if (request.host != "127.0.0.1")
        std::fprintf(stderr, "velmora: warning: serving on %s: anyone who reaches it sees the image\n",
                     request.host.c_str());
    try {
        const Image image = Image::open(request.input);
        ViewServerSetup setup;
        setup.host = request.host;
        setup.port = request.port;
        setup.script_dir = scripts;
        setup.facts = {fs::path(request.input).filename().string(), image.width(), image.height(), image.bit_count(),
                       GeoTransformOf(request.input)};
        DzTileStore store(image, DzOptions(), MakeCacheDir());
        std::string error;
        const bool served = ServeView(store, setup, [&](const std::string& url) {
            std::printf("serving %s at %s (Ctrl-C stops)\n", request.input.c_str(), url.c_str());
            std::fflush(stdout);
            if (request.browser) OpenBrowser(url);
        }, &error);
        if (!served) PrintFailure(error, "");
        return served ? kExitOk : kExitFailure;
    } catch (const Error& e) {
        PrintFailure(e.what(), "");
        return kExitFailure;
    } catch (const fs::filesystem_error& e) {
        PrintFailure(e.what(), "");
        return kExitFailure;
    }
}

}  // namespace

int RunView(const Args& args) { return RunRequest<ViewRequest>(args, kUsage, ParseRequest, View); }

}  // namespace velmora::cli
