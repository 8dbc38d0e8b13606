// velmora::RasterWriter: a TIFF (GeoTIFF, Cloud-Optimized GeoTIFF) written
// from values, a window at a time, in any order. A block is encoded as soon
// as every sample of it has been given; blocks still waiting for samples are
// held within the library's memory limit and go to a scratch file when they
// would not fit, so an image larger than memory writes at bounded memory.
//
// Nothing appears under the target's name until close() succeeds: the file
// is written beside it and renamed over it at the end. A writer destroyed
// without close(), or whose close() fails, leaves the previous file (if
// any) as it was. Failures are velmora::Error exceptions.
//
// Thread use: one writer is used by one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "velmora/raster.hpp"

namespace velmora {

enum class Resampling { average, nearest };
enum class BigTiff { automatic, yes, no };  // automatic: past 4 GiB of samples

struct RasterProfile {
    std::int64_t width = 0, height = 0;
    int count = 1;                               // bands
    SampleType type = SampleType::uint8;         // complex types are not written
    bool tiled = true;                           // else strips of block_height rows
    int block_width = 512, block_height = 512;   // tiles: multiples of 16
    std::string compression = "deflate";         // none deflate lzw zstd lzma jpeg webp lerc
    int predictor = 0;                           // 0: 2 for integers, 3 for floats (compressed)
    int quality = 75;                            // jpeg and webp
    BigTiff big_tiff = BigTiff::automatic;
    std::optional<std::array<double, 6>> geotransform;  // GDAL's order
    std::optional<int> epsg;
    std::optional<double> nodata;
    std::vector<std::pair<std::string, std::string>> metadata;  // the dataset's items
    std::vector<double> scales, offsets;                        // per band, empty for none
    std::vector<std::string> descriptions;                      // per band, empty for none
    bool cog = false;  // close() lays the file out as a Cloud-Optimized GeoTIFF
    bool auto_overviews = true;  // a COG closed without build_overviews gets the automatic ones
};

// Whether libtiff here encodes `compression` ("zstd", "webp", ...).
bool compression_available(const std::string& compression);

class RasterWriter {
public:
    // Checks the RasterProfile (sizes, types, what the compression takes) and starts
    // the file beside `path`; nothing is under `path` yet.
    static RasterWriter create(const std::string& path, const RasterProfile& profile);
    ~RasterWriter();  // without close(): the file is dropped
    RasterWriter(RasterWriter&&) noexcept;
    RasterWriter& operator=(RasterWriter&&) noexcept;

    const RasterProfile& profile() const;

    // Writes `window` of `bands` (1-based, in the order given) from `buffer`,
    // laid out as Raster::read gives it: band after band, each window.height
    // rows of window.width samples of `type`, which must be the raster's.
    // Checks everything before writing anything. A block already encoded
    // (every sample of it given before) is not written again.
    void write(const RasterWindow& window, const std::vector<int>& bands, const void* buffer,
               std::size_t bufferBytes, SampleType type);

    // Reduced images of the written data, each `factor` times smaller (2, 4,
    // 8... when empty: until the smallest fits one block). Samples not given
    // are the no-data value (else 0). No write follows.
    void build_overviews(const std::vector<int>& factors = {}, Resampling resampling = Resampling::average);

    // Finishes the file (a COG builds its overviews first unless
    // build_overviews was called) and puts it under the target's name.
    void close();

    struct Impl;

private:
    explicit RasterWriter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// The overview factors a COG takes: 2, 4, 8... until the smallest level fits
// one block (none when the image already does).
std::vector<int> auto_overview_factors(std::int64_t width, std::int64_t height, int blockWidth, int blockHeight);

}  // namespace velmora
