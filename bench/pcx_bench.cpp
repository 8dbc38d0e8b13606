// PCX conversions of 6000 x 4000 images with real structure (gradients, flat
// shapes, a textured field), each timed as a whole process beside its peer in
// the same run, best of --runs:
//   PCX24 -> BMP and PCX8 -> BMP: `velmora convert` against FreeImage;
//   BMP8 -> PCX: `velmora convert` against ImageMagick's convert.
// The 24-bit PCX is written by ImageMagick, the 8-bit one by velmora. The
// BMPs velmora and FreeImage make are compared pixel for pixel.
//
//   pcx_bench [--dir DIR] [--runs N] [--tool PATH] [--freeimage PATH] [--magick PATH] [--keep 1]
#include "bench/bench_support.h"

namespace {

using namespace bench;

bool MakeScenes(const std::string& dir) {
    CNewDIB rgb(kWidth, kHeight, 24), indexed(kWidth, kHeight, 8);
    if (!FillScene(&rgb, &indexed)) return false;
    return rgb.SaveFile((dir + "/scene24.bmp").c_str(), -1, 0) && indexed.SaveFile((dir + "/scene8.bmp").c_str(), -1, 0) &&
           indexed.SaveFile((dir + "/scene8.pcx").c_str(), -1, 0);
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = ParseOptions(argc, argv);
    const std::string d = o.dir + "/pcx_bench";
    std::system(("mkdir -p " + Quote(d)).c_str());
    if (!MakeScenes(d) || Time(o.magick + " " + Quote(d + "/scene24.bmp") + " " + Quote(d + "/scene24.pcx"), 1).wall < 0) {
        std::fprintf(stderr, "could not make the scenes (ImageMagick at %s?)\n", o.magick.c_str());
        return 1;
    }
    const bool haveFreeImage = Exists(o.freeimage);
    const std::string tool = Quote(o.tool) + " convert ";
    std::printf("%d x %d, best of %d runs, whole processes (wall, and user + system)\n", kWidth, kHeight, o.runs);
    for (const char* bits : {"24", "8"}) {
        const std::string in = Quote(d + "/scene" + bits + ".pcx");
        const std::string ours = d + "/ours" + bits + ".bmp", theirs = d + "/freeimage" + bits + ".bmp";
        const Timing v = Time(tool + in + " " + Quote(ours), o.runs);
        const Timing f = haveFreeImage ? Time(Quote(o.freeimage) + " " + in + " " + Quote(theirs), o.runs) : Timing{};
        Report((std::string("PCX") + bits + " -> BMP").c_str(), v, "FreeImage", f);
        if (f.wall >= 0) std::printf("              same pixels as FreeImage: %s\n", SamePixelData(ours, theirs) ? "yes" : "NO");
    }
    const std::string in = Quote(d + "/scene8.bmp");
    const Timing v = Time(tool + in + " " + Quote(d + "/ours8.pcx"), o.runs);
    const Timing m = Time(Quote(o.magick) + " " + in + " " + Quote(d + "/magick8.pcx"), o.runs);
    Report("BMP8 -> PCX", v, "ImageMagick", m);
    if (!o.keep) std::system(("rm -rf " + Quote(d)).c_str());
    return 0;
}
