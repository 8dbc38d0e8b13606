// The viewer's web server: the page at /, the descriptor image.dzi, tiles
// image_files/<level>/<column>_<row>.jpg made on demand, and OpenSeadragon's
// own files. Nothing else is served: other names are 404, paths with ".."
// or a backslash 400.
#pragma once

#include <functional>
#include <string>

#include "tools/dz_tile_store.h"
#include "tools/view_page.h"

namespace velmora::cli {

struct ViewServerSetup {
    std::string host = "127.0.0.1";
    int port = 0;            // 0: any free port
    std::string script_dir;  // OpenSeadragon's build folder
    ViewFacts facts;
};

// Serves until a SIGINT or SIGTERM; `ready` is called with the URL once the
// server listens. Returns false with `error` set when it cannot listen.
bool ServeView(DzTileStore& store, const ViewServerSetup& setup,
               const std::function<void(const std::string& url)>& ready, std::string* error);

}  // namespace velmora::cli
