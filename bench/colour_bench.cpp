// 24-bit images to PNG and GIF, and colour reduction, beside FreeImage and
// ImageMagick in the same run:
//   BMP24 -> PNG and BMP24 -> GIF of the 6000 x 4000 scene as whole
//   processes: `velmora convert` (the GIF one reduces colours, dithered, and
//   again with --no-dither) against FreeImage's peer program (Wu's quantizer,
//   undithered, before a GIF) and ImageMagick's convert (dithered).
//   Colour reduction to 256 colours: quality as PSNR against the 24-bit
//   original, and time, of CNewDIB::ReduceColors (in process) against
//   ImageMagick's `-colors 256` (its process less the same process without
//   the reduction), dithered and not, on the scene and on a photograph.
//
//   colour_bench [--dir DIR] [--runs N] [--tool PATH] [--freeimage PATH] [--magick PATH] [--keep 1]
//                [--photo FILE]
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "bench/bench_support.h"

namespace {

using namespace bench;

// PSNR of `reduced` (any depth the library reads) against the 24-bit `original`.
double Psnr(CNewDIB& original, CNewDIB& reduced) {
    if (reduced.GetWidth() != original.GetWidth() || reduced.GetHeight() != original.GetHeight()) return -1;
    double squares = 0;
    for (int y = 0; y < original.GetHeight(); ++y) {
        const BYTE* row = original.GetDIBRow(y);
        for (int x = 0; x < original.GetWidth(); ++x) {
            const unsigned long c = reduced.GetPixelRGB(x, y);
            const int diffs[3] = {row[3 * x + 2] - static_cast<int>(c & 0xFF), row[3 * x + 1] - static_cast<int>(c >> 8 & 0xFF),
                                  row[3 * x] - static_cast<int>(c >> 16 & 0xFF)};
            for (int d : diffs) squares += static_cast<double>(d) * d;
        }
    }
    const double mse = squares / (3.0 * original.GetWidth() * original.GetHeight());
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

// Reduction of `bmp` (24-bit) by both, dithered or not.
void CompareReduction(const Options& o, const char* name, const std::string& bmp, const std::string& d, bool dither) {
    CNewDIB original;
    if (!original.ReadFile(bmp.c_str(), -1)) return;
    CNewDIB ours;
    const double seconds = BestSeconds(o.runs, [&] {
        ours.CopyDIB(&original);
        ours.ReduceColors(256, dither);
    });
    // Copying alone, to take out of the figure.
    CNewDIB copy;
    const double copying = BestSeconds(o.runs, [&] { copy.CopyDIB(&original); });
    const std::string out = d + "/magick_reduced.bmp";
    const std::string base = Quote(o.magick) + " " + Quote(bmp) + " ";
    const Timing plain = Time(base + "-type TrueColor BMP3:" + Quote(d + "/magick_plain.bmp"), o.runs);
    const Timing reduce = Time(base + (dither ? "" : "+dither ") + "-colors 256 BMP3:" + Quote(out), o.runs);
    CNewDIB theirs;
    theirs.ReadFile(out.c_str(), -1);
    const double magickSeconds = reduce.wall - plain.wall;
    const double ourSeconds = seconds - copying;
    std::printf("%-8s %-9s velmora %.3f s, PSNR %.2f dB   ImageMagick %.3f s (%.3f - %.3f), PSNR %.2f dB   "
                "time magick/velmora %.2fx   PSNR velmora - magick %+.2f dB\n",
                name, dither ? "dithered" : "plain", ourSeconds, Psnr(original, ours), magickSeconds, reduce.wall,
                plain.wall, Psnr(original, theirs), magickSeconds / ourSeconds, Psnr(original, ours) - Psnr(original, theirs));
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = ParseOptions(argc, argv);
    std::string photo = "/work/shared/testdata/jpg/imagers_cat.jpg";
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::string(argv[i]) == "--photo") photo = argv[i + 1];
    const std::string d = o.dir + "/colour_bench";
    std::system(("mkdir -p " + Quote(d)).c_str());
    const std::string bmp = d + "/scene24.bmp";
    {
        CNewDIB rgb(kWidth, kHeight, 24), indexed(kWidth, kHeight, 8);
        if (!FillScene(&rgb, &indexed) || !rgb.SaveFile(bmp.c_str(), -1, 0)) {
            std::fprintf(stderr, "could not make the scene in %s\n", d.c_str());
            return 1;
        }
    }
    std::printf("%d x %d 24-bit, best of %d runs, whole processes (wall, and user + system)\n", kWidth, kHeight, o.runs);
    // The GIF twice: velmora dithers by default, FreeImage's Wu quantizer does not.
    const struct {
        const char* what;
        const char* ext;
        const char* options;
    } conversions[] = {{"BMP24 -> PNG", ".png", ""}, {"BMP24 -> GIF", ".gif", ""}, {"GIF no dith.", ".gif", "--no-dither"}};
    for (const auto& c : conversions) {
        CompareConversions(o, c.what, bmp, d, c.ext, c.options);
        std::printf("              bytes: velmora %zu, FreeImage %zu, ImageMagick %zu\n",
                    ReadAll(d + "/ours" + c.ext).size(), ReadAll(d + "/freeimage" + c.ext).size(),
                    ReadAll(d + "/magick" + c.ext).size());
    }

    std::printf("Colour reduction to 256 colours (velmora in process; ImageMagick: its process less the same without -colors)\n");
    const std::string photoBmp = d + "/photo24.bmp";
    const bool havePhoto = std::system((Quote(o.magick) + " " + Quote(photo) + " -type TrueColor BMP3:" + Quote(photoBmp) +
                                        " >/dev/null 2>&1").c_str()) == 0;
    for (bool dither : {false, true}) {
        CompareReduction(o, "scene", bmp, d, dither);
        if (havePhoto) CompareReduction(o, "photo", photoBmp, d, dither);
    }
    if (!o.keep) std::system(("rm -rf " + Quote(d)).c_str());
    return 0;
}
