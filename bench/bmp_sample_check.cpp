// Compares sampled pixels of two uncompressed bottom-up 24-bit BMPs, the
// second being the first after a transform: none, right (clockwise quarter
// turn), left, vflip, hflip or invert. Reads only the sampled rows, so it
// checks multi-gigabyte files quickly.
//   bmp_sample_check IN OUT TRANSFORM     exit 0 when every sample matches
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Bmp {
    FILE* file = nullptr;
    int64_t width = 0, height = 0;
    uint64_t offset = 0, stride = 0;

    bool Open(const char* path) {
        file = std::fopen(path, "rb");
        unsigned char h[54];
        if (!file || std::fread(h, 1, 54, file) != 54 || h[0] != 'B' || h[1] != 'M') return false;
        auto u32 = [&](int at) { return static_cast<uint32_t>(h[at] | h[at + 1] << 8 | h[at + 2] << 16 | h[at + 3] << 24); };
        offset = u32(10);
        width = static_cast<int32_t>(u32(18));
        height = static_cast<int32_t>(u32(22));
        const int bits = h[28] | h[29] << 8;
        stride = (static_cast<uint64_t>(width) * 24 + 31) / 32 * 4;
        return bits == 24 && width > 0 && height > 0;
    }
    // Blue, green, red of (x, y), y from the top.
    bool Get(int64_t x, int64_t y, unsigned char* p) {
        const uint64_t at = offset + static_cast<uint64_t>(height - 1 - y) * stride + static_cast<uint64_t>(3 * x);
        return fseeko(file, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(p, 1, 3, file) == 3;
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
    if (argc != 4) {
        std::fprintf(stderr, "usage: bmp_sample_check IN OUT none|right|left|vflip|hflip|invert\n");
        return 2;
    }
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
            wrong += std::memcmp(a, b, 3) != 0;
            ++checked;
        }
    }
    std::printf("%d of %d samples match\n", checked - wrong, checked);
    return wrong == 0 ? 0 : 1;
}
