// GIF conversions of a 6000 x 4000 8-bit image with real structure
// (gradients, flat shapes, a textured field), each timed as a whole process
// beside its peers in the same run, best of --runs:
//   GIF -> BMP and BMP8 -> GIF: `velmora convert` against FreeImage (when
//   its peer program was built) and ImageMagick's convert.
// Then, in this process, the library's read of the GIF (memory mode) against
// a plain LZW decode of the same stream from the same file into one flat
// buffer, which bounds what any GIF decoder can do.
//
//   gif_bench [--dir DIR] [--runs N] [--tool PATH] [--freeimage PATH] [--magick PATH] [--keep 1]
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/bench_support.h"

namespace {

using namespace bench;

// The textbook decoder: whole file read, sub-blocks joined, codes expanded
// through a prefix table and a stack into one buffer. No checks beyond what
// keeps it inside its arrays. Returns the pixels written.
size_t PlainLzwDecode(const std::string& path, size_t dataAt, std::vector<uint8_t>* out) {
    const std::vector<uint8_t> file = ReadAll(path);
    const int codeSize = file[dataAt];
    std::vector<uint8_t> data;
    data.reserve(file.size());
    for (size_t at = dataAt + 1, n; at < file.size() && (n = file[at]) != 0; at += n + 1)
        data.insert(data.end(), file.begin() + static_cast<long>(at + 1), file.begin() + static_cast<long>(at + 1 + n));
    static uint16_t prefix[4096];
    static uint8_t suffix[4096], stack[4097];
    const int clear = 1 << codeSize;
    int next = clear + 2, width = codeSize + 1, previous = -1;
    uint8_t first = 0;
    for (int i = 0; i < clear; ++i) suffix[i] = static_cast<uint8_t>(i);
    uint32_t bits = 0;
    int held = 0;
    size_t pos = 0, written = 0;
    uint8_t* dst = out->data();
    const size_t limit = out->size();
    while (written < limit) {
        while (held < width && pos < data.size()) bits |= static_cast<uint32_t>(data[pos++]) << held, held += 8;
        if (held < width) break;
        int code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width, held -= width;
        if (code == clear) {
            next = clear + 2, width = codeSize + 1, previous = -1;
            continue;
        }
        if (code == clear + 1) break;
        int sp = 0, c = code;
        if (code >= next) stack[sp++] = first, c = previous;
        while (c >= clear) stack[sp++] = suffix[c], c = prefix[c];
        stack[sp++] = static_cast<uint8_t>(c);
        first = static_cast<uint8_t>(c);
        while (sp > 0 && written < limit) dst[written++] = stack[--sp];
        if (previous >= 0 && next < 4096) {
            prefix[next] = static_cast<uint16_t>(previous), suffix[next] = first;
            if (++next == 1 << width && width < 12) ++width;
        }
        previous = code;
    }
    return written;
}

void CompareInProcess(const std::string& gif, int runs) {
    CNewDIB dib;
    const double ours = BestSeconds(runs, [&] { dib.ReadFile(gif.c_str(), -1); });
    std::vector<uint8_t> flat(static_cast<size_t>(kWidth) * kHeight);
    size_t pixels = 0;
    const double plain = BestSeconds(runs, [&] { pixels = PlainLzwDecode(gif, 13 + 768 + 10, &flat); });
    bool same = pixels == flat.size() && dib.GetWidth() == kWidth;
    for (int y = 0; same && y < kHeight; ++y)
        same = std::memcmp(dib.GetDIBRow(kHeight - 1 - y), flat.data() + static_cast<size_t>(y) * kWidth, kWidth) == 0;
    std::printf("GIF read, in process: velmora %.3f s   plain LZW decode %.3f s   velmora/plain %.2fx   same pixels: %s\n",
                ours, plain, ours / plain, same ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = ParseOptions(argc, argv);
    const std::string d = o.dir + "/gif_bench";
    std::system(("mkdir -p " + Quote(d)).c_str());
    const std::string bmp = d + "/scene8.bmp", gif = d + "/scene8.gif";
    {
        CNewDIB indexed(kWidth, kHeight, 8);
        if (!FillScene(nullptr, &indexed) || !indexed.SaveFile(bmp.c_str(), -1, 0) ||
            !indexed.SaveFile(gif.c_str(), -1, 0)) {
            std::fprintf(stderr, "could not make the scene in %s\n", d.c_str());
            return 1;
        }
    }
    std::printf("%d x %d 8-bit, best of %d runs, whole processes (wall, and user + system)\n", kWidth, kHeight, o.runs);
    CompareConversions(o, "GIF -> BMP", gif, d, ".bmp");
    std::printf("              same pixels as FreeImage: %s\n",
                SamePixelData(d + "/ours.bmp", d + "/freeimage.bmp") ? "yes" : "NO (or no FreeImage)");
    CompareConversions(o, "BMP8 -> GIF", bmp, d, ".gif");
    std::printf("              GIF bytes: velmora %zu, ImageMagick %zu\n", ReadAll(d + "/ours.gif").size(),
                ReadAll(d + "/magick.gif").size());

    CompareInProcess(gif, o.runs);
    if (!o.keep) std::system(("rm -rf " + Quote(d)).c_str());
    return 0;
}
