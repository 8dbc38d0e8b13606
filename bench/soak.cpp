// Soak: reads, transforms, draws and saves files of every built format in a
// loop, with images in memory and in page files, and files cut short among
// them, for a number of minutes. Reports the process's open descriptors,
// mappings, resident memory and the page files on disk after the first
// round (the start) and at the end; all should stay flat.
//
//   soak [minutes]      (default 10)
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "velmora/velmora.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kFormats[] = {"bmp", "tif", "pcx", "gif", "jpg", "png"};
constexpr int kWidth = 640, kHeight = 480;

int CountEntries(const std::string& directory, const char* prefix) {
    int n = 0;
    if (DIR* d = opendir(directory.c_str())) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.' && std::strncmp(e->d_name, prefix, std::strlen(prefix)) == 0;
        closedir(d);
    }
    return n;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

int Mappings() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    int n = 0;
    while (std::getline(maps, line)) ++n;
    return n;
}

struct Figures {
    int descriptors, mappings, pageFiles;
    long residentKiB;
};

Figures Measure(const std::string& pages) {
    // One descriptor is the listing's own.
    return {CountEntries("/proc/self/fd", "") - 1, Mappings(), CountEntries(pages, "Page"), ResidentKiB()};
}

void Print(const char* when, double minutes, const Figures& f, long rounds, long operations, long failures) {
    std::printf("%-6s %6.1f min  rounds %6ld  operations %8ld  failures %6ld  descriptors %3d  mappings %4d  "
                "resident %7ld KiB  page files %d\n",
                when, minutes, rounds, operations, failures, f.descriptors, f.mappings, f.residentKiB, f.pageFiles);
    std::fflush(stdout);
}

// A picture with some structure, so every codec has work to do.
void Paint(CNewDIB& dib) {
    int entries = 0;
    if (RGBQUAD* table = dib.GetRGBQuad(&entries))
        for (int i = 0; i < entries; ++i)
            table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
    for (int r = 0; r < dib.GetHeight(); ++r) {
        BYTE* row = dib.GetDIBRow(r);
        for (unsigned long i = 0; row && i < dib.GetBytesPerLine(); ++i)
            row[i] = static_cast<BYTE>((r * 3 + i * 5) ^ (r * i / 97));
    }
}

// Sample files of every format that saves them: 8-bit, and 24-bit where the
// format takes it.
std::vector<std::string> MakeSamples(const std::string& dir) {
    std::vector<std::string> samples;
    for (int bits : {8, 24}) {
        CNewDIB dib(kWidth, kHeight, bits);
        Paint(dib);
        for (const char* ext : kFormats) {
            const std::string path = dir + "sample" + std::to_string(bits) + "." + ext;
            if (dib.SaveFile(path.c_str(), -1, 0)) samples.push_back(path);
        }
    }
    return samples;
}

// The same file, cut to a third: a read that fails (or reads what is there).
std::string CutCopy(const std::string& path, const std::string& dir) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = dir + "cut_" + path.substr(path.rfind('/') + 1);
    std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 3));
    return cut;
}

// Operations and failures by kind. Failures are expected: files cut short,
// depths a format does not save; what matters is that they stay the same
// every round and leave nothing behind.
enum Kind { kRead, kTransform, kDraw, kSave, kKinds };
const char* const kKindNames[kKinds] = {"reads", "transforms", "drawings", "saves"};

struct Counters {
    long operations = 0, failures = 0;
    long byKind[kKinds][2] = {};  // [kind][0: done, 1: failed]
    void Count(Kind kind, int ok) {
        ++operations;
        failures += ok ? 0 : 1;
        ++byKind[kind][0];
        byKind[kind][1] += ok ? 0 : 1;
    }
};

// One file: read, the five transforms, a stretched drawing, and a save in
// every format (some refuse some depths: counted as failures).
void Exercise(const std::string& path, const std::string& out, Counters* c) {
    CNewDIB dib;
    const int read = dib.ReadFile(path.c_str(), -1);
    c->Count(kRead, read);
    if (!read) return;
    for (int (CNewDIB::*transform)() : {&CNewDIB::RightRotate, &CNewDIB::LeftRotate, &CNewDIB::HorizonFlip,
                                         &CNewDIB::VerticalFlip, &CNewDIB::InvertColor})
        c->Count(kTransform, (dib.*transform)());
    CDC surface;
    surface.CreateMemoryDC(kWidth / 2, kHeight / 2, RGB(255, 255, 255));
    RECT dst{0, 0, kWidth / 2, kHeight / 2}, src{0, 0, dib.GetWidth(), dib.GetHeight()};
    c->Count(kDraw, dib.DrawDIB(&surface, &dst, &src, SRCCOPY));
    for (const char* ext : kFormats) c->Count(kSave, dib.SaveFile((out + "saved." + ext).c_str(), -1, 0));
}

// Images in memory (`paged` false) or, with 8 MiB of memory figures, every
// image from 256 KiB on in a page file with small windows.
void SetMode(bool paged) {
    if (paged) {
        SetMemoryStatusOverride(8ull << 20, 8ull << 20);
        SetImageUseMemSize(1);
    } else {
        ClearMemoryStatusOverride();
        SetImageUseMemSize(~0ul);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const char* tmp = std::getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/velmora-soak-XXXXXX";
    if (!mkdtemp(root.data())) return 1;
    const std::string dir = root + "/", pages = dir + "pages/", out = dir + "out/";
    if (mkdir(pages.c_str(), 0700) != 0 || mkdir(out.c_str(), 0700) != 0) return 1;
    SetVirtualDirectory(pages.c_str());
    SetMessageBoxHandler([](const char*, const char*, UINT) { return IDOK; });  // refusals are expected

    std::vector<std::string> files = MakeSamples(dir);
    const size_t samples = files.size();
    for (size_t i = 0; i < samples; ++i) files.push_back(CutCopy(files[i], dir));
    std::printf("soak: %zu sample files (%zu cut short), %.1f minutes, images in memory and in page files\n",
                samples * 2, samples, minutes);

    const Clock::time_point start = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count() / 60.0; };
    Counters counters;
    long rounds = 0;
    double nextReport = 1.0;
    Figures first{};
    do {
        for (bool paged : {false, true}) {
            SetMode(paged);
            for (const std::string& f : files) Exercise(f, out, &counters);
        }
        if (++rounds == 1) {
            first = Measure(pages);
            Print("start", elapsed(), first, rounds, counters.operations, counters.failures);
        } else if (elapsed() >= nextReport) {
            Print("", elapsed(), Measure(pages), rounds, counters.operations, counters.failures);
            nextReport += 1.0;
        }
    } while (elapsed() < minutes);
    const Figures last = Measure(pages);
    Print("end", elapsed(), last, rounds, counters.operations, counters.failures);
    for (int k = 0; k < kKinds; ++k)
        std::printf("       %-10s %8ld, %6ld failed\n", kKindNames[k], counters.byKind[k][0], counters.byKind[k][1]);

    for (const char* sub : {"out/", "pages/", ""}) {
        const std::string d = dir + sub;
        if (DIR* listing = opendir(d.c_str())) {
            while (dirent* e = readdir(listing))
                if (e->d_name[0] != '.') unlink((d + e->d_name).c_str());
            closedir(listing);
        }
        rmdir(d.c_str());
    }
    const bool flat = last.descriptors == first.descriptors && last.mappings <= first.mappings + 2 &&
                      last.pageFiles == 0 && last.residentKiB <= first.residentKiB + first.residentKiB / 10;
    std::printf("soak: %s\n", flat ? "flat" : "NOT flat");
    return flat ? 0 : 2;
}
