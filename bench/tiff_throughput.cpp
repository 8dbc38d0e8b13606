// TIFF conversions of a large uncompressed image in one run beside its peers:
// TIFF24 -> BMP, TIFF8 -> BMP and BMP24 -> TIFF with the library, with
// FreeImage (the freeimage_convert peer built beside this program when
// libfreeimage-dev is present) and, for TIFF input, `tiffcp` copying the same
// file. The tools take turns within each run, and each figure is the best of
// --runs, as wall time and as processor time (user + system, which a machine
// shared with other work disturbs less); the files stay in the page cache.
//
//   tiff_throughput [--width W] [--height H] [--runs N] [--dir DIR]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "velmora/velmora.h"

namespace {

struct Options {
    int width = 6000;
    int height = 4000;
    int runs = 5;
    std::string dir;
};

bool ParseOptions(int argc, char** argv, Options* o) {
    const char* tmp = std::getenv("TMPDIR");
    o->dir = tmp && *tmp ? tmp : "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i], v = argv[i + 1];
        if (a == "--width") o->width = std::atoi(v.c_str());
        else if (a == "--height") o->height = std::atoi(v.c_str());
        else if (a == "--runs") o->runs = std::atoi(v.c_str());
        else if (a == "--dir") o->dir = v;
        else return false;
    }
    return (argc % 2 == 1) && o->width > 0 && o->height > 0 && o->runs > 0;
}

std::string Beside(const char* name) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return name;
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + name;
}

struct Figure {
    double wall = -1;
    double cpu = -1;  // user + system seconds
    bool ok() const { return wall >= 0; }
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs argv; false when it fails. `output` gets its standard output (its
// standard error is dropped), `figure` the wall and processor time of the
// whole process.
bool Run(const std::vector<std::string>& args, std::string* output, Figure* figure) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        // FreeImage's libtiff warns about every EXIF tag it writes.
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, 2);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[256];
    ssize_t got;
    output->clear();
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0) output->append(buffer, static_cast<size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid) return false;
    figure->wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figure->cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void KeepBest(const Figure& f, Figure* best) {
    if (!f.ok()) return;
    best->wall = best->ok() ? std::min(best->wall, f.wall) : f.wall;
    best->cpu = best->cpu >= 0 ? std::min(best->cpu, f.cpu) : f.cpu;
}

Figure VelmoraConvert(const std::string& in, const std::string& out) {
    std::remove(out.c_str());
    const double cpu = ProcessCpu();
    auto start = std::chrono::steady_clock::now();
    CNewDIB dib;
    if (!dib.ReadFile(in.c_str(), -1) || !dib.SaveFile(out.c_str(), -1, 0)) return {};
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), ProcessCpu() - cpu};
}

// The peer prints the seconds of its load and save; its processor time
// includes its start-up, which is small beside the conversion.
Figure PeerConvert(const std::string& peer, const std::string& in, const std::string& out) {
    std::remove(out.c_str());
    std::string printed;
    Figure f;
    if (!Run({peer, in, out}, &printed, &f)) return {};
    f.wall = std::atof(printed.c_str());
    return f;
}

Figure TiffcpCopy(const std::string& in, const std::string& out) {
    std::remove(out.c_str());
    std::string printed;
    Figure f;
    return Run({"tiffcp", in, out}, &printed, &f) ? f : Figure{};
}

// A picture with some structure in every row, 24-bit or grey 8-bit.
bool MakeSource(const Options& o, int bitCount, const std::string& path) {
    CNewDIB dib(o.width, o.height, bitCount);
    if (!dib.Ready()) return false;
    if (bitCount == 8) {
        RGBQUAD* table = dib.GetRGBQuad(nullptr);
        for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
        dib.SetGrayProp(1);
    }
    for (int r = 0; r < o.height; ++r) {
        BYTE* row = dib.GetDIBRow(r);
        if (!row) return false;
        for (unsigned long i = 0; i < dib.GetBytesPerLine(); ++i) row[i] = static_cast<BYTE>(r * 3 + i * 7 + (i * r >> 9));
    }
    return dib.SaveFile(path.c_str(), -1, 0) == 1;
}

void PrintPeer(const char* name, const Figure& peer, const Figure& velmora) {
    if (!peer.ok()) return;
    std::printf("   %s %.3f / %.3f s (velmora %.2fx / %.2fx)", name, peer.wall, peer.cpu, velmora.wall / peer.wall,
                velmora.cpu / peer.cpu);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, &o)) {
        std::fprintf(stderr, "usage: tiff_throughput [--width W] [--height H] [--runs N] [--dir DIR]\n");
        return 2;
    }
    const std::string base = o.dir + "/tiff_throughput_" + std::to_string(getpid());
    const std::string tiff24 = base + "_src24.tif", tiff8 = base + "_src8.tif", bmp24 = base + "_src24.bmp";
    const std::string outBmp = base + "_out.bmp", outTif = base + "_out.tif";
    if (!MakeSource(o, 24, tiff24) || !MakeSource(o, 24, bmp24) || !MakeSource(o, 8, tiff8)) {
        std::fprintf(stderr, "cannot write the source images in %s\n", o.dir.c_str());
        return 1;
    }
    const std::string peer = Beside("freeimage_convert");
    const bool havePeer = access(peer.c_str(), X_OK) == 0;
    std::printf("%d x %d uncompressed, best of %d runs%s\n", o.width, o.height, o.runs,
                havePeer ? "" : " (FreeImage peer not built)");

    struct Case {
        const char* name;
        std::string in, out;
        bool tiffInput;
    } cases[] = {{"TIFF24 -> BMP", tiff24, outBmp, true},
                 {"TIFF8 -> BMP", tiff8, outBmp, true},
                 {"BMP24 -> TIFF", bmp24, outTif, false}};
    std::printf("figures: wall / processor seconds\n");
    int failures = 0;
    for (const Case& c : cases) {
        Figure velmora, freeimage, tiffcp;
        for (int run = 0; run < o.runs; ++run) {
            KeepBest(VelmoraConvert(c.in, c.out), &velmora);
            if (havePeer) KeepBest(PeerConvert(peer, c.in, c.out), &freeimage);
            if (c.tiffInput) KeepBest(TiffcpCopy(c.in, outTif), &tiffcp);
        }
        std::printf("%-14s velmora %.3f / %.3f s", c.name, velmora.wall, velmora.cpu);
        PrintPeer("FreeImage", freeimage, velmora);
        PrintPeer("tiffcp", tiffcp, velmora);
        std::printf("%s\n", velmora.ok() ? "" : "   FAILED");
        failures += !velmora.ok();
    }
    for (const std::string& f : {tiff24, tiff8, bmp24, outBmp, outTif}) std::remove(f.c_str());
    return failures ? 1 : 0;
}
