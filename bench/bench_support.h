// What the format benchmarks share: timing whole processes (wall, and user +
// system of the children), finding the peer programs, and a 6000 x 4000
// scene with real structure (gradients, flat discs and bars, a textured
// field), as 24-bit colour and as 8-bit indices into a 6 x 7 x 6 cube.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "velmora/velmora.h"

namespace bench {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// `relative` to the directory of this program.
inline std::string Beside(const std::string& relative) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return relative;
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/')) + "/" + relative;
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

inline double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = -1;  // best of the runs; negative when the command failed
    double cpu = -1;   // user + system of the same command, best of the runs
};

// Options of the conversion benchmarks:
//   [--dir DIR] [--runs N] [--tool PATH] [--freeimage PATH] [--magick PATH] [--keep 1]
struct Options {
    std::string dir;  // $TMPDIR, else /tmp
    std::string tool = Beside("../tools/velmora");
    std::string freeimage = Beside("freeimage_convert");
    std::string magick = "/usr/bin/convert";
    int runs = 3;
    bool keep = false;  // leave the benchmark's files behind
};

inline Options ParseOptions(int argc, char** argv) {
    Options o;
    const char* tmp = std::getenv("TMPDIR");
    o.dir = tmp && *tmp ? tmp : "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string key = argv[i], value = argv[i + 1];
        if (key == "--dir") o.dir = value;
        else if (key == "--runs") o.runs = std::max(1, std::atoi(value.c_str()));
        else if (key == "--tool") o.tool = value;
        else if (key == "--freeimage") o.freeimage = value;
        else if (key == "--magick") o.magick = value;
        else if (key == "--keep") o.keep = value == "1";
    }
    return o;
}

inline std::vector<unsigned char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<unsigned char> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The pixel data of two BMP files (from their bfOffBits on) are the same.
inline bool SamePixelData(const std::string& a, const std::string& b) {
    std::vector<unsigned char> x = ReadAll(a), y = ReadAll(b);
    if (x.size() < 54 || y.size() < 54) return false;
    uint32_t offX, offY;
    std::memcpy(&offX, x.data() + 10, 4);
    std::memcpy(&offY, y.data() + 10, 4);
    return x.size() - offX == y.size() - offY && std::equal(x.begin() + offX, x.end(), y.begin() + offY);
}

// Runs a shell command `runs` times.
inline Timing Time(const std::string& command, int runs) {
    Timing best{1e9, 1e9};
    for (int k = 0; k < runs; ++k) {
        const double cpu = ChildCpuSeconds();
        auto start = std::chrono::steady_clock::now();
        if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) return Timing{};
        best.wall = std::min(best.wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        best.cpu = std::min(best.cpu, ChildCpuSeconds() - cpu);
    }
    return best;
}

inline void Report(const char* what, Timing ours, const char* peer, Timing theirs) {
    std::printf("%-13s velmora %.3f s (cpu %.3f)   %-11s ", what, ours.wall, ours.cpu, peer);
    if (theirs.wall < 0) std::printf("n/a\n");
    else std::printf("%.3f s (cpu %.3f)   peer/velmora %.2fx\n", theirs.wall, theirs.cpu, theirs.wall / ours.wall);
}

// The best wall time of `runs` calls of work(), in this process.
template <class Work>
double BestSeconds(int runs, Work work) {
    double best = 1e9;
    for (int k = 0; k < runs; ++k) {
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// `in` to d/ours<ext>, d/freeimage<ext> and d/magick<ext> by the tool (with
// `toolOptions` after its arguments) and the two peer programs, each timed
// and reported.
inline void CompareConversions(const Options& o, const char* what, const std::string& in, const std::string& d,
                               const std::string& ext, const std::string& toolOptions = "") {
    const auto command = [&](const std::string& program, const char* name) {
        return Quote(program) + " " + Quote(in) + " " + Quote(d + "/" + name + ext);
    };
    const Timing ours =
        Time(command(o.tool, "ours").insert(Quote(o.tool).size(), " convert -q") + " " + toolOptions, o.runs);
    const Timing free = Exists(o.freeimage) ? Time(command(o.freeimage, "freeimage"), o.runs) : Timing{};
    Report(what, ours, "FreeImage", free);
    Report(what, ours, "ImageMagick", Time(command(o.magick, "magick"), o.runs));
}

inline void ScenePixel(int x, int y, int* r, int* g, int* b) {
    *r = 40 + 150 * y / kHeight + 60 * x / kWidth;
    *g = 90 + 100 * y / kHeight;
    *b = 200 - 100 * y / kHeight + 40 * x / kWidth;
    for (int disc = 0; disc < 6; ++disc) {
        const int cx = 700 + disc * 900, cy = 1000 + (disc % 3) * 900, radius = 300 + disc * 40;
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < radius * radius) {
            *r = 50 * disc, *g = 255 - 40 * disc, *b = 30 * disc + 20;
            return;
        }
    }
    if (y > 2600 && y < 3000) {
        *r = (x / 150) % 2 ? 240 : 20, *g = *b = 128;
        return;
    }
    if (x > 3500 && y > 3000) {
        unsigned noise = static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u;
        noise = (noise ^ noise >> 13) * 1274126177u;
        *r = std::clamp(*r + static_cast<int>(noise & 31) - 16, 0, 255);
        *g = std::clamp(*g + static_cast<int>(noise >> 8 & 31) - 16, 0, 255);
        *b = std::clamp(*b + static_cast<int>(noise >> 16 & 31) - 16, 0, 255);
    }
}

// A 6 x 7 x 6 colour cube.
inline int CubeIndex(int r, int g, int b) { return (r * 6 / 256) * 42 + (g * 7 / 256) * 6 + b * 6 / 256; }

// Fills a 24-bit image (may be null) and an 8-bit one of kWidth x kHeight.
inline bool FillScene(CNewDIB* rgb, CNewDIB* indexed) {
    if ((rgb && !rgb->Ready()) || !indexed->Ready()) return false;
    int entries = 0;
    RGBQUAD* table = indexed->GetRGBQuad(&entries);
    for (int i = 0; i < 252; ++i)
        table[i] = RGBQUAD{static_cast<BYTE>(i % 6 * 51), static_cast<BYTE>(i / 6 % 7 * 42),
                           static_cast<BYTE>(i / 42 * 51), 0};
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row8 = indexed->GetDIBRow(kHeight - 1 - y);
        BYTE* row24 = rgb ? rgb->GetDIBRow(kHeight - 1 - y) : nullptr;
        for (int x = 0; x < kWidth; ++x) {
            int r, g, b;
            ScenePixel(x, y, &r, &g, &b);
            row8[x] = static_cast<BYTE>(CubeIndex(r, g, b));
            if (!row24) continue;
            row24[3 * x] = static_cast<BYTE>(b), row24[3 * x + 1] = static_cast<BYTE>(g);
            row24[3 * x + 2] = static_cast<BYTE>(r);
        }
    }
    return true;
}

}  // namespace bench
