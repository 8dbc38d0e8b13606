// BMP read and write throughput of a large 24-bit image, in memory and in a
// page file mapped through small row windows, beside `cp` of the same file in
// the same run; then the peak resident memory of `velmora convert` turning a
// larger BMP under a small memory limit.
//
//   bmp_throughput [--size-mib N] [--rss-size-mib N[,N...]] [--dir DIR] [--tool PATH]
//                  [--window-total-mib N] [--memory-limit BYTES] [--skip-rss] [--skip-throughput]
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "velmora/velmora.h"

namespace {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr int kWidth = 8192;  // 24-bit rows of 24 KiB

struct Options {
    uint64_t sizeMiB = 1024;
    std::vector<uint64_t> rssSizesMiB{2048};
    uint64_t windowTotalMiB = 256;  // "physical memory" for the page-file runs: windows of 1/32 of it
    std::string memoryLimit = "64M";
    std::string dir;
    std::string tool;
    bool throughput = true;
    bool rss = true;
};

std::string DefaultDir() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// The tool beside this program in a build tree: build/bench/.. /tools/velmora.
std::string DefaultTool() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "velmora";
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/')) + "/../tools/velmora";
}

// "2048,4096" -> {2048, 4096}; zeros are dropped.
std::vector<uint64_t> ParseList(const std::string& text) {
    std::vector<uint64_t> out;
    for (size_t at = 0; at < text.size();) {
        size_t comma = text.find(',', at);
        if (comma == std::string::npos) comma = text.size();
        uint64_t v = std::strtoull(text.substr(at, comma - at).c_str(), nullptr, 10);
        if (v) out.push_back(v);
        at = comma + 1;
    }
    return out;
}

bool ParseOptions(int argc, char** argv, Options* o) {
    o->dir = DefaultDir();
    o->tool = DefaultTool();
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--skip-rss") o->rss = false;
        else if (a == "--skip-throughput") o->throughput = false;
        else if (a == "--size-mib" && value(&v)) o->sizeMiB = std::strtoull(v.c_str(), nullptr, 10);
        else if (a == "--rss-size-mib" && value(&v)) o->rssSizesMiB = ParseList(v);
        else if (a == "--window-total-mib" && value(&v)) o->windowTotalMiB = std::strtoull(v.c_str(), nullptr, 10);
        else if (a == "--memory-limit" && value(&v)) o->memoryLimit = v;
        else if (a == "--dir" && value(&v)) o->dir = v;
        else if (a == "--tool" && value(&v)) o->tool = v;
        else {
            std::fprintf(stderr, "usage: bmp_throughput [--size-mib N] [--rss-size-mib N[,N...]] [--dir DIR] [--tool PATH]\n"
                                 "       [--window-total-mib N] [--memory-limit BYTES] [--skip-rss] [--skip-throughput]\n");
            return false;
        }
    }
    return o->sizeMiB > 0 && !o->rssSizesMiB.empty() && o->windowTotalMiB > 0;
}

double TimeIt(const std::function<bool()>& work, bool* ok) {
    auto start = std::chrono::steady_clock::now();
    *ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A 24-bit bottom-up BMP of about `mib` MiB, written straight to disk.
bool WriteBmp(const std::string& path, uint64_t mib) {
    const size_t stride = static_cast<size_t>(kWidth) * 3;
    const int height = static_cast<int>(mib * kMiB / stride);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = kWidth;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biXPelsPerMeter = info.biYPelsPerMeter = 11811;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    uint64_t size = file.bfOffBits + static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
    file.bfSize = size <= UINT32_MAX ? static_cast<DWORD>(size) : 0;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1;
    const int batch = 64;
    std::vector<BYTE> rows(stride * batch);
    for (int row = 0; ok && row < height; row += batch) {
        int n = std::min(batch, height - row);
        for (int k = 0; k < n; ++k)
            for (size_t i = 0; i < stride; i += 61) rows[static_cast<size_t>(k) * stride + i] = static_cast<BYTE>(row + k + i);
        ok = std::fwrite(rows.data(), stride, static_cast<size_t>(n), out) == static_cast<size_t>(n);
    }
    return std::fclose(out) == 0 && ok;
}

uint64_t FileBytes(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

bool SameFiles(const std::string& a, const std::string& b) {
    return std::system(("cmp -s " + Quote(a) + " " + Quote(b)).c_str()) == 0;
}

struct Row {
    std::string what;
    double seconds;
    bool ok;
};

void PrintRows(const std::vector<Row>& rows, uint64_t bytes, double cpSeconds) {
    std::printf("%-42s %9s %9s %10s\n", "operation", "seconds", "MiB/s", "time / cp");
    for (const Row& r : rows)
        std::printf("%-42s %9.3f %9.0f %10.2f%s\n", r.what.c_str(), r.seconds,
                    static_cast<double>(bytes) / kMiB / r.seconds, r.seconds / cpSeconds, r.ok ? "" : "  FAILED");
}

// Reads `source` into a document and saves it to `target`; both timed.
void ReadAndSave(const std::string& label, const std::string& source, const std::string& target,
                 std::vector<Row>* rows) {
    CNewDIB dib;
    bool ok = false;
    double read = TimeIt([&] { return dib.ReadFile(source.c_str(), -1) == 1; }, &ok);
    rows->push_back({"read  " + label + (dib.IsMapped() ? ", page file" : ", memory"), read, ok});
    double write = TimeIt([&] { return dib.SaveFile(target.c_str(), -1, 0) == 1; }, &ok);
    rows->push_back({"write " + label + (dib.IsMapped() ? ", page file" : ", memory"), write,
                     ok && SameFiles(source, target)});
}

void RunThroughput(const Options& o) {
    std::string source = o.dir + "/bmp_throughput_src.bmp", copy = o.dir + "/bmp_throughput_cp.bmp",
                saved = o.dir + "/bmp_throughput_out.bmp";
    if (!WriteBmp(source, o.sizeMiB)) {
        std::fprintf(stderr, "cannot write %s\n", source.c_str());
        return;
    }
    uint64_t bytes = FileBytes(source);
    std::printf("BMP throughput: %d-wide 24-bit image, file of %.0f MiB in %s\n", kWidth,
                static_cast<double>(bytes) / kMiB, o.dir.c_str());
    std::vector<Row> rows;
    bool ok = false;
    double cp = TimeIt([&] { return std::system(("cp " + Quote(source) + " " + Quote(copy)).c_str()) == 0; }, &ok);
    rows.push_back({"cp of the same file", cp, ok});

    SetVirtualDirectory((o.dir + "/").c_str());
    ReadAndSave("(whole image in memory)", source, saved, &rows);

    SetMemoryStatusOverride(o.windowTotalMiB * kMiB, o.windowTotalMiB * kMiB);
    SetImageUseMemSize(1);
    char label[64];
    std::snprintf(label, sizeof label, "(%llu MiB windows)", static_cast<unsigned long long>(o.windowTotalMiB / 32));
    ReadAndSave(label, source, saved, &rows);
    ClearMemoryStatusOverride();
    SetImageUseMemSize(0);

    PrintRows(rows, bytes, cp);
    for (const std::string& f : {source, copy, saved}) unlink(f.c_str());
}

// Runs the tool and returns its peak resident set in KiB (-1 on failure).
long PeakRssOfTool(const std::vector<std::string>& args, double* seconds) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return -1;
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

void RunRss(const Options& o, uint64_t sizeMiB) {
    std::string source = o.dir + "/bmp_rss_src.bmp", target = o.dir + "/bmp_rss_out.bmp";
    if (!WriteBmp(source, sizeMiB)) {
        std::fprintf(stderr, "cannot write %s\n", source.c_str());
        return;
    }
    std::printf("velmora convert --rotate right --flip vertical of a %.0f MiB BMP, --memory-limit %s: ",
                static_cast<double>(FileBytes(source)) / kMiB, o.memoryLimit.c_str());
    std::fflush(stdout);
    double seconds = 0;
    long rss = PeakRssOfTool({o.tool, "--memory-limit", o.memoryLimit, "--virtual-dir", o.dir, "convert", source, target,
                              "--rotate", "right", "--flip", "vertical"},
                             &seconds);
    if (rss < 0) std::printf("FAILED\n");
    else
        std::printf("peak %.0f MiB (%.1f%% of the image), %.1f s\n", rss / 1024.0,
                    100.0 * static_cast<double>(rss) * 1024 / static_cast<double>(FileBytes(source)), seconds);
    unlink(source.c_str());
    unlink(target.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) return 2;
    if (options.throughput) RunThroughput(options);
    if (options.rss) {
        MEMORYSTATUS memory{};
        GlobalMemoryStatus(&memory);
        std::printf("\nPeak resident memory of the tool (physical memory %.0f MiB: page-file windows are at least\n"
                    "1/32 of it, %.0f MiB; a rotation holds two images, each with its window)\n",
                    static_cast<double>(memory.dwTotalPhys) / kMiB,
                    static_cast<double>(memory.dwTotalPhys / 32) / kMiB);
        for (uint64_t size : options.rssSizesMiB) RunRss(options, size);
    }
    return 0;
}
