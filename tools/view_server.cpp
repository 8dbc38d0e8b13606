#include "tools/view_server.h"

#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace velmora::cli {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

const char* ContentType(const std::string& name) {
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".js") == 0) return "text/javascript";
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) return "image/png";
    return "application/json";  // source maps
}

// A path a client made up to leave the served names.
bool Refused(const std::string& path) {
    return path.find("..") != std::string::npos || path.find('\\') != std::string::npos ||
           path.find("//") != std::string::npos;
}

void ServeTile(DzTileStore& store, const httplib::Request& req, httplib::Response& res) {
    const int level = std::stoi(req.matches[1]), column = std::stoi(req.matches[2]), row = std::stoi(req.matches[3]);
    try {
        const std::string file = store.TileFile(level, column, row);
        if (file.empty()) {
            res.status = 404;
            return;
        }
        res.set_content(ReadFile(file), "image/jpeg");
    } catch (const Error& e) {
        res.status = 500;
        res.set_content(e.what(), "text/plain");
    }
}

void AddRoutes(httplib::Server& server, DzTileStore& store, const ViewServerSetup& setup) {
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        if (!Refused(req.path)) return httplib::Server::HandlerResponse::Unhandled;
        res.status = 400;
        return httplib::Server::HandlerResponse::Handled;
    });
    const std::string page = ViewPage(setup.facts), dzi = DziText(store.geometry(), "jpg");
    server.Get("/", [page](const httplib::Request&, httplib::Response& res) { res.set_content(page, "text/html"); });
    server.Get("/image.dzi", [dzi](const httplib::Request&, httplib::Response& res) {
        res.set_content(dzi, "application/xml");
    });
    server.Get(R"(/image_files/(\d{1,4})/(\d{1,7})_(\d{1,7})\.jpg)",
               [&store](const httplib::Request& req, httplib::Response& res) { ServeTile(store, req, res); });
    const std::string scripts = setup.script_dir;
    server.Get(R"(/openseadragon/((?:images/)?[A-Za-z0-9_-]+(?:\.min)?\.(?:js|png|map)))",
               [scripts](const httplib::Request& req, httplib::Response& res) {
                   const std::string file = scripts + "/" + req.matches[1].str();
                   if (!std::filesystem::is_regular_file(file)) {
                       res.status = 404;
                       return;
                   }
                   res.set_content(ReadFile(file), ContentType(file));
               });
}

// Waits for SIGINT or SIGTERM (blocked in every thread) and stops the server;
// ends on its own once `done` is set.
void StopOnSignal(httplib::Server& server, const sigset_t& signals, const std::atomic<bool>& done) {
    const timespec tick{0, 100 * 1000 * 1000};
    while (!done) {
        if (sigtimedwait(&signals, nullptr, &tick) > 0) {
            server.stop();
            return;
        }
    }
}

}  // namespace

bool ServeView(DzTileStore& store, const ViewServerSetup& setup,
               const std::function<void(const std::string& url)>& ready, std::string* error) {
    sigset_t signals, previous;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, &previous);
    httplib::Server server;
    AddRoutes(server, store, setup);
    const int port = setup.port == 0 ? server.bind_to_any_port(setup.host) :
                     server.bind_to_port(setup.host, setup.port) ? setup.port : -1;
    bool ok = port > 0;
    if (ok) {
        std::atomic<bool> done{false};
        std::thread watcher(StopOnSignal, std::ref(server), std::cref(signals), std::cref(done));
        ready("http://" + setup.host + ":" + std::to_string(port) + "/");
        ok = server.listen_after_bind();
        done = true;
        watcher.join();
    }
    if (!ok) *error = "cannot listen on " + setup.host + ":" + std::to_string(setup.port);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

}  // namespace velmora::cli
