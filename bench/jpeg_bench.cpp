// JPEG conversions of a 6000 x 4000 picture with photographic structure
// (smooth shading, edges, fine texture), beside libjpeg-turbo's own tools in
// the same run: `velmora convert` JPEG -> BMP against `djpeg -dct float -bmp`,
// BMP24 -> JPEG against `cjpeg -dct float`. Each command runs --runs times,
// interleaved; the best time counts.
//
//   jpeg_bench [--dir DIR] [--tool PATH] [--runs N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "velmora/velmora.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

struct Options {
    std::string dir;
    std::string tool;
    int runs = 3;
};

std::string DefaultTool() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "velmora";
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/')) + "/../tools/velmora";
}

bool ParseOptions(int argc, char** argv, Options* o) {
    const char* tmp = std::getenv("TMPDIR");
    o->dir = tmp && *tmp ? tmp : "/tmp";
    o->tool = DefaultTool();
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i], v = argv[i + 1];
        if (a == "--dir") o->dir = v;
        else if (a == "--tool") o->tool = v;
        else if (a == "--runs") o->runs = std::atoi(v.c_str());
        else return false;
    }
    return argc % 2 == 1 && o->runs > 0;
}

// A lit surface with rings and ripples, hard-edged tiles and a little noise:
// what a photograph gives a JPEG coder, at a size no test file has.
class Scene {
public:
    Scene() {
        for (int c = 0; c < 3; ++c) {
            for (int x = 0; x < kWidth; ++x) m_across[c].push_back(70 * std::sin(9.0 * x / kWidth + 2 * c));
            for (int y = 0; y < kHeight; ++y) m_down[c].push_back(std::cos(7.0 * y / kHeight - c));
            for (int d = 0; d < 8000; ++d) m_rings[c].push_back(35 * std::sin(d / (40.0 + 15 * c)));
        }
    }
    BYTE At(int x, int y, int c) {
        const int d = static_cast<int>(std::hypot(x - 2100.0, y - 1700.0));
        double v = 110 + m_across[c][x] * m_down[c][y] + m_rings[c][d];
        if ((x / 500 + y / 400) % 3 == 0) v = 255 - v;
        m_noise = m_noise * 1664525u + 1013904223u;
        v += static_cast<int>(m_noise >> 27) - 16;
        return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v);
    }

private:
    std::vector<double> m_across[3], m_down[3], m_rings[3];
    unsigned m_noise = 1;
};

bool WriteScene(const std::string& bmp) {
    CNewDIB dib(kWidth, kHeight, 24);
    Scene scene;
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = dib.GetDIBRow(kHeight - 1 - y);
        if (!row) return false;
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) row[3 * x + c] = scene.At(x, y, c);
    }
    return dib.SaveFile(bmp.c_str(), -1, 0) == 1;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Seconds the shell command took, or -1 when it failed.
double TimeCommand(const std::string& command) {
    auto start = std::chrono::steady_clock::now();
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Race {
    std::string what;
    std::string ours, peer;
    double bestOurs = 1e9, bestPeer = 1e9;
};

void Report(const Race& r) {
    std::printf("%-16s velmora %.3f s   peer %.3f s   ratio %.2f\n", r.what.c_str(), r.bestOurs, r.bestPeer,
                r.bestOurs / r.bestPeer);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, &o)) {
        std::fprintf(stderr, "usage: jpeg_bench [--dir DIR] [--tool PATH] [--runs N]\n");
        return 2;
    }
    const std::string bmp = o.dir + "/jpeg_bench_scene.bmp", jpeg = o.dir + "/jpeg_bench_scene.jpg",
                      ourJpeg = o.dir + "/jpeg_bench_ours.jpg", ourBmp = o.dir + "/jpeg_bench_ours.bmp",
                      peerJpeg = o.dir + "/jpeg_bench_peer.jpg", peerBmp = o.dir + "/jpeg_bench_peer.bmp";
    if (!WriteScene(bmp) || TimeCommand("cjpeg -dct float -outfile " + Quote(jpeg) + " " + Quote(bmp)) < 0) {
        std::fprintf(stderr, "cannot write the scene in %s (is libjpeg-turbo-progs installed?)\n", o.dir.c_str());
        return 1;
    }
    std::vector<Race> races = {
        {"JPEG -> BMP", Quote(o.tool) + " convert " + Quote(jpeg) + " " + Quote(ourBmp),
         "djpeg -dct float -bmp -outfile " + Quote(peerBmp) + " " + Quote(jpeg)},
        {"BMP24 -> JPEG", Quote(o.tool) + " convert " + Quote(bmp) + " " + Quote(ourJpeg),
         "cjpeg -dct float -outfile " + Quote(peerJpeg) + " " + Quote(bmp)},
    };
    std::FILE* f = std::fopen(jpeg.c_str(), "rb");
    long jpegBytes = f && std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    if (f) std::fclose(f);
    std::printf("%d x %d, 24-bit (JPEG of quality 75: %.1f MiB); best of %d interleaved runs in %s\n", kWidth, kHeight,
                jpegBytes / 1048576.0, o.runs, o.dir.c_str());
    bool ok = true;
    for (int run = 0; run < o.runs; ++run)
        for (Race& r : races) {
            double ours = TimeCommand(r.ours), peer = TimeCommand(r.peer);
            ok = ok && ours >= 0 && peer >= 0;
            r.bestOurs = std::min(r.bestOurs, ours);
            r.bestPeer = std::min(r.bestPeer, peer);
        }
    for (const Race& r : races) Report(r);
    // cjpeg copies the BMP's density into the JFIF header (bytes 13-17); the rest should agree.
    std::printf("JPEG written by velmora and by cjpeg, past the JFIF density: %s\n",
                TimeCommand("cmp -s -i 18 " + Quote(ourJpeg) + " " + Quote(peerJpeg)) >= 0 ? "identical" : "different");
    for (const std::string& f : {bmp, jpeg, ourJpeg, ourBmp, peerJpeg, peerBmp}) unlink(f.c_str());
    if (!ok) std::printf("A command FAILED\n");
    return ok ? 0 : 1;
}
