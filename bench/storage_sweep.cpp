// Sweeps every row of a large page-file image, and of an image in memory,
// run by run through GetDIBBuffer: writes a pattern, reads it back verifying
// every byte, and prints the throughput beside plain memcpy of the same
// bytes, with the process's peak resident memory.
//
//   storage_sweep [--size-mib N] [--window-mib W] [--memory-mib M] [--dir PATH]
//
// --size-mib: page-file image size (default 1024). --window-mib: row window
// (default 64), set through the physical-memory figures, whose thirty-second
// part is the window. --memory-mib: size of the in-memory image (default
// 1024, 0 skips it). --dir: where the page file goes (default $TMPDIR).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "velmora/environment.h"
#include "velmora/newdibobject.h"
#include "velmora/system.h"

namespace {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr int kWidth = 16384;  // 8 bits per pixel: 16 KiB rows
// The pattern repeats with a period that is no multiple of the row stride
// or of the granularity, so a misplaced row or window shows.
constexpr uint64_t kPeriod = kMiB + 4099;

struct Options {
    uint64_t sizeMiB = 1024;
    uint64_t windowMiB = 64;
    uint64_t memoryMiB = 1024;
    std::string dir;
};

bool ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (i + 1 >= argc) return false;
        const char* v = argv[++i];
        if (a == "--size-mib")
            o->sizeMiB = std::strtoull(v, nullptr, 10);
        else if (a == "--window-mib")
            o->windowMiB = std::strtoull(v, nullptr, 10);
        else if (a == "--memory-mib")
            o->memoryMiB = std::strtoull(v, nullptr, 10);
        else if (a == "--dir")
            o->dir = v;
        else
            return false;
    }
    return o->sizeMiB > 0 && o->windowMiB > 0;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Peak resident set from /proc (resettable), in MiB.
double PeakResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return -1;
}

void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

double MaxRssMiB() {
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

const std::vector<BYTE>& Pattern() {
    static const std::vector<BYTE> pattern = [] {
        std::vector<BYTE> p(kPeriod);
        uint32_t x = 2463534242u;
        for (BYTE& b : p) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<BYTE>(x);
        }
        return p;
    }();
    return pattern;
}

// Writes the pattern's bytes for offsets [offset, offset + bytes) to `dst`.
void WritePattern(BYTE* dst, uint64_t offset, uint64_t bytes) {
    const BYTE* p = Pattern().data();
    while (bytes) {
        const uint64_t at = offset % kPeriod, n = std::min(bytes, kPeriod - at);
        std::memcpy(dst, p + at, n);
        dst += n, offset += n, bytes -= n;
    }
}

// Compares `src` with the pattern's bytes; the number of differing pieces.
uint64_t VerifyPattern(const BYTE* src, uint64_t offset, uint64_t bytes) {
    const BYTE* p = Pattern().data();
    uint64_t bad = 0;
    while (bytes) {
        const uint64_t at = offset % kPeriod, n = std::min(bytes, kPeriod - at);
        bad += std::memcmp(src, p + at, n) != 0;
        src += n, offset += n, bytes -= n;
    }
    return bad;
}

struct Sweep {
    double writeSeconds = 0, readSeconds = 0;
    uint64_t bad = 0, runs = 0;
};

// Writes storage rows upward, then reads picture rows from the top.
Sweep SweepImage(CNewDIBObject& dib) {
    Sweep s;
    const uint64_t stride = dib.GetBytesPerLine();
    const int height = dib.GetHeight();
    double t0 = Now();
    for (int row = 0; row < height;) {
        int count = 0;
        BYTE* run = dib.GetDIBBuffer(row, &count, 1);
        if (!run) std::exit((std::fprintf(stderr, "no run at storage row %d\n", row), 1));
        WritePattern(run, static_cast<uint64_t>(row) * stride, static_cast<uint64_t>(count) * stride);
        row += count;
        s.runs++;
    }
    s.writeSeconds = Now() - t0;
    t0 = Now();
    for (int row = 0; row < height;) {
        int count = 0;
        BYTE* run = dib.GetDIBBuffer(row, &count, 0);
        if (!run) std::exit((std::fprintf(stderr, "no run at picture row %d\n", row), 1));
        // The run's lowest row in memory is picture row row + count - 1.
        const uint64_t lowest = static_cast<uint64_t>(height - row - count);
        s.bad += VerifyPattern(run, lowest * stride, static_cast<uint64_t>(count) * stride);
        row += count;
        s.runs++;
    }
    s.readSeconds = Now() - t0;
    return s;
}

// Plain memcpy of the same bytes into `buffer`, then the same verification.
// A buffer smaller than the image is reused cyclically; its size is then a
// multiple of the pattern's period, so every cycle holds the same bytes.
Sweep SweepPlain(BYTE* buffer, uint64_t bufferBytes, uint64_t totalBytes) {
    Sweep s;
    double t0 = Now();
    for (uint64_t o = 0; o < totalBytes; o += bufferBytes) WritePattern(buffer, o, std::min(bufferBytes, totalBytes - o));
    s.writeSeconds = Now() - t0;
    t0 = Now();
    for (uint64_t o = 0; o < totalBytes; o += bufferBytes)
        s.bad += VerifyPattern(buffer, o, std::min(bufferBytes, totalBytes - o));
    s.readSeconds = Now() - t0;
    return s;
}

double MiBps(uint64_t bytes, double seconds) { return seconds > 0 ? static_cast<double>(bytes) / kMiB / seconds : 0; }

void Report(const char* what, uint64_t bytes, const Sweep& s) {
    std::printf("  %-30s write %8.0f MiB/s   read+verify %8.0f MiB/s   %s\n", what, MiBps(bytes, s.writeSeconds),
                MiBps(bytes, s.readSeconds), s.bad ? "MISMATCH" : "verified");
}

void ReportRatio(const Sweep& image, const Sweep& plain) {
    std::printf("  %-30s write %8.2fx          read+verify %8.2fx\n", "time vs memcpy", image.writeSeconds / plain.writeSeconds,
                image.readSeconds / plain.readSeconds);
}

bool RunPageFile(const Options& o) {
    const uint64_t window = o.windowMiB * kMiB;
    // Total memory of 32 windows makes the floor (total / 32) the window and
    // the threshold; little available memory keeps the window at the floor.
    SetMemoryStatusOverride(32 * window, window / 2);
    SetImageUseMemSize(0);
    SetLoadImageNumber(1);
    const uint64_t bytes = o.sizeMiB * kMiB;
    const int height = static_cast<int>(bytes / kWidth);
    std::printf("page file: %llu MiB image (%d x %d x 8), %llu MiB window, in %s\n",
                static_cast<unsigned long long>(o.sizeMiB), kWidth, height,
                static_cast<unsigned long long>(o.windowMiB), GetVirtualDirectory().c_str());
    ResetPeakResident();
    const double baseline = PeakResidentMiB();
    Sweep fresh, cached;
    {
        CNewDIBObject dib;
        double t0 = Now();
        if (!dib.CreateDIB(kWidth, height, 8)) return std::fprintf(stderr, "CreateDIB failed\n"), false;
        std::printf("  created in %.3f s (whole file reserved)\n", Now() - t0);
        // The first sweep fills a fresh file; the second finds the pages in
        // the system's cache and shows the cost of the windows themselves.
        fresh = SweepImage(dib);
        cached = SweepImage(dib);
        std::printf("  peak resident: %.1f MiB (VmHWM; %.1f MiB before the image), %llu runs per sweep\n",
                    PeakResidentMiB(), baseline, static_cast<unsigned long long>(fresh.runs));
    }
    ClearMemoryStatusOverride();
    const uint64_t cycle = std::max<uint64_t>(1, window / kPeriod) * kPeriod;
    std::vector<BYTE> buffer(cycle);
    Sweep plain = SweepPlain(buffer.data(), cycle, bytes);
    Report("page-file runs, fresh file", bytes, fresh);
    Report("page-file runs, again", bytes, cached);
    Report("memcpy, window-size buffer", bytes, plain);
    ReportRatio(cached, plain);
    return fresh.bad == 0 && cached.bad == 0 && plain.bad == 0;
}

Sweep Best(const Sweep& a, const Sweep& b) {
    Sweep s = a;
    s.writeSeconds = std::min(a.writeSeconds, b.writeSeconds);
    s.readSeconds = std::min(a.readSeconds, b.readSeconds);
    s.bad = a.bad + b.bad;
    return s;
}

bool RunMemory(const Options& o) {
    const uint64_t bytes = o.memoryMiB * kMiB;
    const int height = static_cast<int>(bytes / kWidth);
    SetImageUseMemSize(ULONG_MAX);  // stays in memory
    std::printf("memory: %llu MiB image, best of 3 sweeps each\n", static_cast<unsigned long long>(o.memoryMiB));
    CNewDIBObject dib;
    if (!dib.CreateDIB(kWidth, height, 8)) return std::fprintf(stderr, "CreateDIB failed\n"), false;
    std::vector<BYTE> plainBuffer(bytes);
    // Both blocks are touched before timing: a first touch costs whatever
    // the system charges for fresh pages, which differs from block to block.
    std::memset(dib.GetGlobalDIBits(), 0, bytes);
    Sweep image, plain;
    for (int i = 0; i < 3; i++) {
        plain = i ? Best(plain, SweepPlain(plainBuffer.data(), bytes, bytes)) : SweepPlain(plainBuffer.data(), bytes, bytes);
        image = i ? Best(image, SweepImage(dib)) : SweepImage(dib);
    }
    Report("memory runs", bytes, image);
    Report("memcpy, same size", bytes, plain);
    ReportRatio(image, plain);
    return image.bad == 0 && plain.bad == 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, &o)) {
        std::fprintf(stderr, "usage: %s [--size-mib N] [--window-mib W] [--memory-mib M] [--dir PATH]\n", argv[0]);
        return 2;
    }
    if (!o.dir.empty()) SetVirtualDirectory((o.dir + "/").c_str());
    bool ok = RunPageFile(o);
    if (o.memoryMiB) ok = RunMemory(o) && ok;
    std::printf("process max resident (getrusage): %.1f MiB\n", MaxRssMiB());
    return ok ? 0 : 1;
}
