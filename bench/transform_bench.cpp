// Times the five transforms on 6000 x 4000 images of 24 and 8 bits, in
// memory and in page files with 2 MiB windows, against a plain memcpy of
// the same number of bytes in the same run.
//
//   transform_bench [width height]
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "velmora/velmora.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

struct Transform {
    const char* name;
    int (CNewDIB::*run)();
};

const Transform kTransforms[] = {
    {"RightRotate", &CNewDIB::RightRotate}, {"LeftRotate", &CNewDIB::LeftRotate},
    {"InvertColor", &CNewDIB::InvertColor}, {"VerticalFlip", &CNewDIB::VerticalFlip},
    {"HorizonFlip", &CNewDIB::HorizonFlip},
};

// Best of `runs` memcpy passes over `bytes`.
double MemcpySeconds(size_t bytes, int runs) {
    std::vector<unsigned char> from(bytes, 1), to(bytes, 0);
    double best = 1e9;
    for (int k = 0; k < runs; ++k) {
        const Clock::time_point start = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        best = std::min(best, Seconds(start));
        from[k % bytes] = to[(k * 7) % bytes];  // keep the copies from being dropped
    }
    return best;
}

void Fill(CNewDIB& image) {
    const size_t stride = image.GetBytesPerLine();
    for (int r = 0; r < image.GetHeight();) {
        int count = 0;
        BYTE* rows = image.GetDIBBuffer(r, &count, 1);
        if (!rows) return;
        for (size_t i = 0; i < stride * static_cast<size_t>(count); ++i) rows[i] = static_cast<BYTE>(i * 31 + r);
        r += count;
    }
}

// What a rotation pays before moving any pixel: creating an image of the
// same size and writing each of its bytes once.
double SecondImageSeconds(int width, int height, int bitCount, int runs) {
    double best = 1e9;
    for (int k = 0; k < runs; ++k) {
        const Clock::time_point start = Clock::now();
        CNewDIB image(height, width, bitCount);
        for (int r = 0; r < image.GetWidth();) {
            int count = 0;
            BYTE* rows = image.GetDIBBuffer(r, &count, 1);
            if (!rows) break;
            std::memset(rows, 0, image.GetBytesPerLine() * static_cast<size_t>(count));
            r += count;
        }
        best = std::min(best, Seconds(start));
    }
    return best;
}

// Each transform on a fresh image: best of `runs`.
void Measure(const char* mode, int width, int height, int bitCount, int runs, double memcpySeconds) {
    const double second = SecondImageSeconds(width, height, bitCount, runs);
    std::printf("  %-7s %-12s %9.1f ms  %6.2f x memcpy  (create a second image, write it once)\n", mode, "new image",
                second * 1e3, second / memcpySeconds);
    for (const Transform& t : kTransforms) {
        double best = 1e9;
        for (int k = 0; k < runs; ++k) {
            CNewDIB image(width, height, bitCount);
            if (!image.Ready()) {
                std::printf("  %-7s %-12s could not create the image\n", mode, t.name);
                return;
            }
            Fill(image);
            const Clock::time_point start = Clock::now();
            const int ok = (image.*t.run)();
            const double seconds = Seconds(start);
            if (!ok) std::printf("  %-7s %-12s failed\n", mode, t.name);
            best = std::min(best, seconds);
        }
        std::printf("  %-7s %-12s %9.1f ms  %6.2f x memcpy\n", mode, t.name, best * 1e3, best / memcpySeconds);
    }
}

// Page files in a directory of their own, 2 MiB windows.
struct PageFileMode {
    std::string dir;
    PageFileMode() {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/velmora-bench-XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        dir = std::string(mkdtemp(buf.data()) ? buf.data() : "/tmp") + "/";
        SetVirtualDirectory(dir.c_str());
        SetMemoryStatusOverride(uint64_t{64} << 20, uint64_t{64} << 20);
        SetImageUseMemSize(1);
    }
    ~PageFileMode() {
        ClearMemoryStatusOverride();
        SetImageUseMemSize(0);
        rmdir(dir.c_str());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int width = argc > 2 ? std::atoi(argv[1]) : 6000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 4000;
    std::printf("transforms on %d x %d images (best of runs; page files use 2 MiB windows)\n", width, height);
    for (int bitCount : {24, 8}) {
        const size_t bytes = static_cast<size_t>((width * bitCount + 31) / 32 * 4) * static_cast<size_t>(height);
        const double copy = MemcpySeconds(bytes, 5);
        std::printf("%d-bit, %.1f MB: memcpy %.1f ms\n", bitCount, static_cast<double>(bytes) / 1e6, copy * 1e3);
        SetImageUseMemSize(0);
        Measure("memory", width, height, bitCount, 3, copy);
        PageFileMode pages;
        Measure("page", width, height, bitCount, 2, copy);
    }
    return 0;
}
