// velmora view: the routes it serves and refuses over loopback, a clean stop
// on SIGTERM, a GeoTIFF's geotransform on the page, and (where Debian's
// chromium is installed) the page showing the image.
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tools/tool_fixture.h"
#include "velmora/image.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The tool serving `image` on a free port; stopped with SIGTERM.
class Viewer : public ::testing::Test {
protected:
    void Start(const std::string& image) {
        const std::string out = dir.file("view.txt"), cache = dir.file("cache") + "/";
        fs::create_directories(cache);
        std::vector<std::string> args = {VELMORA_TOOL_PATH, "--virtual-dir", cache, "view", image,
                                         "--port", "0", "--no-browser"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 100 && port == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const std::vector<unsigned char> text = vtest::ReadAll(out);
            const std::string s(text.begin(), text.end());
            const size_t at = s.find("http://127.0.0.1:");
            if (at != std::string::npos && s.find('/', at + 17) != std::string::npos) port = std::stoi(s.substr(at + 17));
        }
        ASSERT_GT(port, 0) << "the viewer did not start";
    }
    // SIGTERM; the exit status, or -1 when it took longer than a second.
    int Stop() {
        kill(pid, SIGTERM);
        int status = 0;
        for (int i = 0; i < 20; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
            if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    std::string Picture(int w, int h) {
        std::vector<std::uint8_t> red(static_cast<size_t>(w) * h * 3);
        for (size_t i = 0; i < red.size(); i += 3) red[i] = 220;
        const std::string path = dir.file("red pic.png");
        velmora::Image::from_pixels(w, h, 24, red.data(), w * 3u).save(path);
        return path;
    }
    vtest::TempDir dir;
    pid_t pid = 0;
    int port = 0;
};

TEST_F(Viewer, ServesThePyramidAndRefusesOtherPaths) {
    Start(Picture(600, 300));  // 10 levels; the top one is 3 x 2 tiles
    httplib::Client client("127.0.0.1", port);
    const struct {
        const char* path;
        int status;
        const char* has;  // in the body
    } cases[] = {
        {"/", 200, "image.dzi"},
        {"/", 200, "red pic.png"},
        {"/image.dzi", 200, "Width=\"600\""},
        {"/openseadragon/openseadragon.min.js", 200, ""},
        {"/image_files/10/2_1.jpg", 200, "JFIF"},
        {"/image_files/0/0_0.jpg", 200, "JFIF"},
        {"/image_files/10/3_0.jpg", 404, ""},   // past the last column
        {"/image_files/11/0_0.jpg", 404, ""},   // below the top level
        {"/image_files/10/0_0.png", 404, ""},
        {"/openseadragon/../../etc/passwd", 400, ""},
        {"/image_files/%2e%2e/0_0.jpg", 400, ""},
        {"/openseadragon/nothere.js", 404, ""},
        {"/etc/passwd", 404, ""},
        {"//etc/passwd", 400, ""},
    };
    for (const auto& c : cases) {
        const httplib::Result r = client.Get(c.path);
        ASSERT_TRUE(r) << c.path;
        EXPECT_EQ(r->status, c.status) << c.path;
        EXPECT_TRUE(vtool::Has(r->body, c.has)) << c.path;
    }
    const httplib::Result whole = client.Get("/image_files/9/0_0.jpg");
    ASSERT_TRUE(whole);
    const std::string tile = dir.file("tile.jpg");
    std::ofstream(tile, std::ios::binary) << whole->body;
    EXPECT_EQ(velmora::Image::open(tile).width(), 255);  // 300 wide at level 9: two tiles across
    EXPECT_EQ(Stop(), 0);
    EXPECT_TRUE(fs::is_empty(dir.file("cache")));  // no tiles left behind
}

// The page hands the pointer's image coordinates to the geotransform.
TEST_F(Viewer, ThePageCarriesAGeoTiffsGeotransform) {
    const struct {
        std::string image;
        const char* script;
    } cases[] = {
        {vtest::DataPath("geotiff/gdal_utm33n_grey.tif"), "const geotransform = [500000, 1, 0, 4650000, 0, -1];"},
        {vtest::DataPath("geotiff/rasterio_rotated.tif"), "const geotransform = [100, 17.32050807568877"},
        {Picture(20, 10), "const geotransform = null;"},
    };
    for (const auto& c : cases) {
        Start(c.image);
        const httplib::Result r = httplib::Client("127.0.0.1", port).Get("/");
        ASSERT_TRUE(r) << c.image;
        EXPECT_TRUE(vtool::Has(r->body, c.script)) << c.image;
        EXPECT_EQ(Stop(), 0);
        port = 0;
    }
}

TEST_F(Viewer, HeadlessChromiumShowsTheImage) {
    if (std::system("command -v chromium >/dev/null 2>&1") != 0) GTEST_SKIP() << "chromium is not installed";
    Start(Picture(400, 400));
    const std::string shot = dir.file("shot.png");
    // Root in a container needs --no-sandbox; virtual time lets every tile arrive.
    const std::string call = "chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
                             vtool::Quote(dir.file("chromium")) + " --window-size=500,500 --virtual-time-budget=20000 "
                             "--screenshot=" + vtool::Quote(shot) + " http://127.0.0.1:" + std::to_string(port) +
                             "/ >/dev/null 2>&1";
    EXPECT_EQ(std::system(call.c_str()), 0);
    EXPECT_EQ(Stop(), 0);
    const velmora::Image image = velmora::Image::open(shot);
    std::vector<std::uint8_t> px(static_cast<size_t>(image.width()) * image.height() * image.channels());
    image.copy_pixels(0, image.height(), px.data(), px.size());
    size_t red = 0;
    for (size_t i = 0; i < px.size(); i += image.channels()) red += px[i] > 180 && px[i + 1] < 60 && px[i + 2] < 60;
    EXPECT_GT(red, px.size() / image.channels() / 2);  // the red picture fills most of the view
}

}  // namespace
