// PNG8 -> BMP and BMP8 -> PNG of a 6000 x 4000 8-bit image with the
// structure of a photograph (smooth shading, edges, fine texture), velmora
// beside FreeImage on the same files in the same run. FreeImage runs as the
// peer program freeimage_convert (built beside this one when libfreeimage-dev
// is installed), which times its own load and save.
//
//   png_throughput [--size WxH] [--runs N] [--dir DIR] [--keep yes]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "velmora/velmora.h"

namespace {

struct Options {
    int width = 6000;
    int height = 4000;
    int runs = 5;
    std::string dir;
    bool keep = false;  // leave the files in DIR
};

bool ParseOptions(int argc, char** argv, Options* o) {
    const char* tmp = std::getenv("TMPDIR");
    o->dir = tmp && *tmp ? tmp : "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i], v = argv[i + 1];
        if (a == "--size" && std::sscanf(v.c_str(), "%dx%d", &o->width, &o->height) == 2) continue;
        if (a == "--runs") o->runs = std::atoi(v.c_str());
        else if (a == "--dir") o->dir = v;
        else if (a == "--keep") o->keep = v == "yes";
        else return false;
    }
    return argc % 2 == 1 && o->width > 0 && o->height > 0 && o->runs > 0;
}

// Shading of two slow waves, a checker of inverted regions for hard edges,
// and hashed noise of a few levels for texture where the waves are bright,
// so that the PNG shrinks to about half, as quantised photographs do.
BYTE Structured(int x, int y) {
    double v = 128 + 50 * std::sin(x * 0.013 + 2 * std::sin(y * 0.007)) + 35 * std::cos(y * 0.011 - x * 0.004);
    if ((x / 700 + y / 500) % 3 == 0) v = 255 - v;
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    if (v > 128) v += static_cast<int>(h & 7) - 4;
    return static_cast<BYTE>(std::clamp(v, 0.0, 255.0));
}

bool MakeImage(CNewDIB& dib, int width, int height) {
    if (!dib.CreateDIB(width, height, 8)) return false;
    int entries = 0;
    RGBQUAD* table = dib.GetRGBQuad(&entries);
    for (int i = 0; i < entries; ++i)
        table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i / 2), static_cast<BYTE>(i * 3 / 4), 0};
    for (int r = 0; r < height; ++r) {
        BYTE* row = dib.GetDIBRow(r);
        if (!row) return false;
        for (int x = 0; x < width; ++x) row[x] = Structured(x, height - 1 - r);
    }
    return true;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Reads `in` and saves `out` with velmora; seconds, or -1 on failure.
double VelmoraConvert(const std::string& in, const std::string& out) {
    const auto start = std::chrono::steady_clock::now();
    CNewDIB dib;
    if (!dib.ReadFile(in.c_str(), -1) || !dib.SaveFile(out.c_str(), -1, 0)) return -1;
    return Seconds(start);
}

std::string PeerPath() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.rfind('/') + 1) + "freeimage_convert";
}

// FreeImage's own figure for the same conversion; -1 when it cannot run.
double PeerConvert(const std::string& peer, const std::string& in, const std::string& out) {
    FILE* pipe = popen(("'" + peer + "' '" + in + "' '" + out + "'").c_str(), "r");
    if (!pipe) return -1;
    double seconds = -1;
    if (std::fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
    return pclose(pipe) == 0 ? seconds : -1;
}

// Keeps the smallest of the figures it is given; failures (negative) ignored.
struct BestOf {
    double seconds = -1;
    void Take(double s) { seconds = s < 0 ? seconds : seconds < 0 ? s : std::min(seconds, s); }
};

long FileBytes(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

void PrintRow(const char* what, double velmora, double peer, const std::string& velmoraOut,
              const std::string& peerOut) {
    std::printf("%-12s velmora %7.3f s", what, velmora);
    if (peer > 0) std::printf("   FreeImage %7.3f s   velmora / FreeImage %.2f", peer, velmora / peer);
    if (velmoraOut.size() > 4 && velmoraOut.compare(velmoraOut.size() - 4, 4, ".png") == 0)
        std::printf("   PNG bytes: velmora %ld, FreeImage %ld", FileBytes(velmoraOut), FileBytes(peerOut));
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, &o)) {
        std::fprintf(stderr, "usage: png_throughput [--size WxH] [--runs N] [--dir DIR] [--keep yes]\n");
        return 2;
    }
    const std::string bmp = o.dir + "/png_bench_src.bmp", png = o.dir + "/png_bench_src.png",
                      velmoraPng = o.dir + "/png_bench_velmora.png", peerPng = o.dir + "/png_bench_freeimage.png",
                      velmoraBmp = o.dir + "/png_bench_velmora.bmp", peerBmp = o.dir + "/png_bench_freeimage.bmp";
    {
        CNewDIB image;
        if (!MakeImage(image, o.width, o.height) || !image.SaveFile(bmp.c_str(), -1, 0) ||
            !image.SaveFile(png.c_str(), -1, 0)) {
            std::fprintf(stderr, "cannot write the source images in %s\n", o.dir.c_str());
            return 1;
        }
    }
    const std::string peer = PeerPath();
    const bool havePeer = access(peer.c_str(), X_OK) == 0;
    // The PNG both read is FreeImage's when it can write one, else velmora's.
    if (havePeer && PeerConvert(peer, bmp, peerPng) > 0) rename(peerPng.c_str(), png.c_str());
    std::printf("%d x %d 8-bit image, best of %d runs%s\n", o.width, o.height, o.runs,
                havePeer ? "" : " (freeimage_convert not built: install libfreeimage-dev)");

    // The four conversions take turns, so that both programs meet the same
    // load on a shared machine.
    BestOf velmoraRead, peerRead, velmoraSave, peerSave;
    for (int k = 0; k < o.runs; ++k) {
        velmoraRead.Take(VelmoraConvert(png, velmoraBmp));
        if (havePeer) peerRead.Take(PeerConvert(peer, png, peerBmp));
        velmoraSave.Take(VelmoraConvert(bmp, velmoraPng));
        if (havePeer) peerSave.Take(PeerConvert(peer, bmp, peerPng));
    }
    PrintRow("PNG8 -> BMP", velmoraRead.seconds, peerRead.seconds, velmoraBmp, peerBmp);
    PrintRow("BMP8 -> PNG", velmoraSave.seconds, peerSave.seconds, velmoraPng, peerPng);
    for (const std::string& f : {bmp, png, velmoraPng, peerPng, velmoraBmp, peerBmp})
        if (!o.keep) unlink(f.c_str());
    return 0;
}
