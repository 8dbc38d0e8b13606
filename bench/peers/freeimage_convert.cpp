// Peer for tiff_throughput, pcx_bench and png_throughput: converts IN to OUT with FreeImage (format by
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
    bool ok = image && FreeImage_Save(out, image, argv[2], out == FIF_TIFF ? TIFF_NONE : 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (image) FreeImage_Unload(image);
    FreeImage_DeInitialise();
    if (!ok) return 1;
    std::printf("%.6f\n", seconds);
    return 0;
}
