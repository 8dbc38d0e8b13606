// Peer for tiff_throughput, pcx_bench, png_throughput, gif_bench and colour_bench: converts IN to OUT with FreeImage (format by
// extension) and prints the seconds the load and the save took together, so
// the figure leaves out process start-up as the library's own figure does.
//
//   freeimage_convert IN OUT
#include <FreeImage.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: freeimage_convert IN OUT\n");
        return 2;
    }
    FreeImage_Initialise(FALSE);
    auto start = std::chrono::steady_clock::now();
    FREE_IMAGE_FORMAT in = FreeImage_GetFileType(argv[1], 0);
    FIBITMAP* image = in == FIF_UNKNOWN ? nullptr : FreeImage_Load(in, argv[1], 0);
    // TIFFs uncompressed, as the library writes them (FreeImage's default is LZW).
    FREE_IMAGE_FORMAT out = FreeImage_GetFIFFromFilename(argv[2]);
    // GIF takes 8 bits: deeper images go through FreeImage's Wu quantizer
    // (256 colours, no dithering) first, as its own tools do.
    if (image && out == FIF_GIF && FreeImage_GetBPP(image) > 8) {
        FIBITMAP* reduced = FreeImage_ColorQuantize(image, FIQ_WUQUANT);
        FreeImage_Unload(image);
        image = reduced;
    }
    bool ok = image && FreeImage_Save(out, image, argv[2], out == FIF_TIFF ? TIFF_NONE : 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (image) FreeImage_Unload(image);
    FreeImage_DeInitialise();
    if (!ok) return 1;
    std::printf("%.6f\n", seconds);
    return 0;
}
