// Compares sampled pixels of two uncompressed bottom-up 8-bit (palette) or
// 24-bit BMPs by colour, the second being the first after a transform: none,
// right (clockwise quarter turn), left, vflip, hflip or invert. Reads only
// the sampled pixels, so it checks multi-gigabyte files quickly. A tolerance
// allows each colour byte to differ by that much (for JPEG).
//   bmp_sample_check IN OUT TRANSFORM [TOLERANCE]   exit 0 when every sample matches
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Bmp {
    FILE* file = nullptr;
    int64_t width = 0, height = 0;
    uint64_t offset = 0, stride = 0;
    int bits = 0;
    unsigned char palette[256][4] = {};

    bool Open(const char* path) {
        file = std::fopen(path, "rb");
        unsigned char h[54];
        if (!file || std::fread(h, 1, 54, file) != 54 || h[0] != 'B' || h[1] != 'M') return false;
        auto u32 = [&](int at) { return static_cast<uint32_t>(h[at] | h[at + 1] << 8 | h[at + 2] << 16 | h[at + 3] << 24); };
        offset = u32(10);
        width = static_cast<int32_t>(u32(18));
        height = static_cast<int32_t>(u32(22));
        bits = h[28] | h[29] << 8;
        stride = (static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4;
        if (bits == 8 && (fseeko(file, 14 + static_cast<off_t>(u32(14)), SEEK_SET) != 0 ||
                          std::fread(palette, 4, 256, file) != 256))
            return false;
        return (bits == 24 || bits == 8) && width > 0 && height > 0;
    }
    // Blue, green, red of (x, y), y from the top.
    bool Get(int64_t x, int64_t y, unsigned char* p) {
        const uint64_t at = offset + static_cast<uint64_t>(height - 1 - y) * stride + static_cast<uint64_t>(bits / 8 * x);
        if (fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0 || std::fread(p, 1, bits / 8, file) != static_cast<size_t>(bits / 8))
            return false;
        if (bits == 8) std::memcpy(p, palette[p[0]], 3);
        return true;
    }
};

// Where pixel (x, y) of the input lands in the output.
void Map(const std::string& t, int64_t w, int64_t h, int64_t x, int64_t y, int64_t* ox, int64_t* oy) {
    *ox = x, *oy = y;
    if (t == "right") *ox = h - 1 - y, *oy = x;
    else if (t == "left") *ox = y, *oy = w - 1 - x;
    else if (t == "vflip") *oy = h - 1 - y;
    else if (t == "hflip") *ox = w - 1 - x;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: bmp_sample_check IN OUT none|right|left|vflip|hflip|invert [TOLERANCE]\n");
        return 2;
    }
    const int tolerance = argc == 5 ? std::atoi(argv[4]) : 0;
    Bmp in, out;
    const std::string t = argv[3];
    if (!in.Open(argv[1]) || !out.Open(argv[2])) return 1;
    const bool turned = t == "right" || t == "left";
    if ((turned ? out.width != in.height || out.height != in.width : out.width != in.width || out.height != in.height)) {
        std::fprintf(stderr, "sizes differ\n");
        return 1;
    }
    int wrong = 0, checked = 0;
    for (int64_t i = 0; i < 64; ++i) {
        const int64_t y = (i * 7919 + i * i) % in.height;
        for (int64_t j = 0; j < 16; ++j) {
            const int64_t x = (j * 104729 + i * 13) % in.width;
            int64_t ox, oy;
            Map(t, in.width, in.height, x, y, &ox, &oy);
            unsigned char a[3], b[3];
            if (!in.Get(x, y, a) || !out.Get(ox, oy, b)) return 1;
            if (t == "invert") for (unsigned char& c : a) c = static_cast<unsigned char>(~c);
            bool same = true;
            for (int c = 0; c < 3; ++c) same = same && std::abs(a[c] - b[c]) <= tolerance;
            wrong += !same;
            ++checked;
        }
    }
    std::printf("%d of %d samples match\n", checked - wrong, checked);
    return wrong == 0 ? 0 : 1;
}
