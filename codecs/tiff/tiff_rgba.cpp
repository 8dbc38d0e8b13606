#include "codecs/tiff/tiff_rgba.h"

#include <algorithm>
#include <cstring>

#include "codecs/tiff/tiff_open.h"
#include "codecs/tiff/tiff_store.h"
#include "platform/dib_geometry.h"

namespace velmora::tiff {

namespace {

struct EndRgbaImage {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

// Rows per call: a row of tiles or a strip, fewer when a strip's raster would
// be larger than a row window and kRasterFloor (a strip read in parts is
// decoded again for each part, and old-style JPEG cannot start mid-strip).
constexpr uint64_t kRasterFloor = uint64_t{64} << 20;

uint32_t BandRows(const Layout& layout, uint64_t windowBytes) {
    if (layout.tiled) return std::min(layout.tileLength, layout.length);
    const uint32_t strip = std::min(layout.rowsPerStrip ? layout.rowsPerStrip : layout.length, layout.length);
    const uint64_t fit = std::max<uint64_t>(1, std::max(windowBytes, kRasterFloor) / (uint64_t{4} * layout.width));
    return static_cast<uint32_t>(std::min<uint64_t>(strip, fit));
}

void ToBgr(const uint32_t* raster, uint32_t width, BYTE* target, size_t stride) {
    for (uint32_t x = 0; x < width; ++x) {
        target[3 * x] = static_cast<BYTE>(TIFFGetB(raster[x]));
        target[3 * x + 1] = static_cast<BYTE>(TIFFGetG(raster[x]));
        target[3 * x + 2] = static_cast<BYTE>(TIFFGetR(raster[x]));
    }
    std::memset(target + 3 * size_t{width}, 0, stride - 3 * size_t{width});
}

}  // namespace

Failure ReadThroughRgba(TIFF* tif, const Layout& layout, CNewDIBObject& image, const ProgressReporter& reporter) {
    TIFFRGBAImage rgba;
    char message[1024];
    if (!TIFFRGBAImageBegin(&rgba, tif, 1, message)) return text::kReadImageFailed;
    std::unique_ptr<TIFFRGBAImage, EndRgbaImage> end(&rgba);
    // Rows come in the file's order; the Orientation tag is applied to the
    // whole picture afterwards, as for every other TIFF.
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    rgba.orientation = ORIENTATION_TOPLEFT;
    const uint64_t window = WindowBytes(image);
    if (window == 0) return text::kMapFailed;
    const uint32_t bandRows = BandRows(layout, window);
    uint64_t rasterBytes = 0;
    if (!CheckedProduct(uint64_t{4} * layout.width, bandRows, &rasterBytes)) return text::kOutOfMemory;
    Block raster(static_cast<BYTE*>(std::calloc(static_cast<size_t>(rasterBytes), 1)));
    if (!raster) return text::kOutOfMemory;
    const uint32_t* pixels = reinterpret_cast<const uint32_t*>(raster.get());
    RowWalker rows(&image, RowOrder::TopDown);
    for (uint32_t first = 0; first < layout.length; first += bandRows) {
        const uint32_t count = std::min(bandRows, layout.length - first);
        rgba.row_offset = static_cast<int>(first);
        rgba.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba, reinterpret_cast<uint32_t*>(raster.get()), layout.width, count))
            return text::kReadImageFailed;
        Failure failure = StoreBand(rows, layout.length, first, count, reporter, [&](uint32_t k, BYTE* target, size_t stride) {
            ToBgr(pixels + size_t{k} * layout.width, layout.width, target, stride);
        });
        if (failure) return failure;
    }
    return nullptr;
}

}  // namespace velmora::tiff
