// velmora::Raster: a TIFF's samples as stored (values, not a picture), read a
// window at a time. Opening reads the directories only; a read decodes just
// the strips or tiles the window meets, through a cache bounded by the
// library's memory limit. Failures are velmora::Error exceptions.
//
// Thread use: one Raster may be read from several threads at once; each
// read gives the same bytes whatever else runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "velmora/image.hpp"

namespace velmora {

// Sample types as numpy names them. Half and 24-bit floats read as float32;
// integers of odd widths as the next wider type (24-bit as int32/uint32).
// Complex samples are described but not read.
enum class SampleType {
    uint8, int8, uint16, int16, uint32, int32, uint64, int64, float32, float64,
    complex_int16, complex_int32, complex64, complex128,
};

const char* to_string(SampleType type);       // "uint16", "complex64"
std::size_t sample_bytes(SampleType type);    // 2 for uint16

// The sample type a C++ type holds (for the typed read).
template <class T>
constexpr SampleType sample_type_of() {
    static_assert(std::is_arithmetic_v<T> && sizeof(T) <= 8, "a sample is an integer or a float");
    if constexpr (std::is_floating_point_v<T>) return sizeof(T) == 4 ? SampleType::float32 : SampleType::float64;
    else if constexpr (sizeof(T) == 1) return std::is_signed_v<T> ? SampleType::int8 : SampleType::uint8;
    else if constexpr (sizeof(T) == 2) return std::is_signed_v<T> ? SampleType::int16 : SampleType::uint16;
    else if constexpr (sizeof(T) == 4) return std::is_signed_v<T> ? SampleType::int32 : SampleType::uint32;
    else return std::is_signed_v<T> ? SampleType::int64 : SampleType::uint64;
}

// Columns col .. col + width - 1, rows row .. row + height - 1, of the full
// resolution raster.
struct RasterWindow {
    std::int64_t col = 0, row = 0, width = 0, height = 0;
};

struct RasterSize {
    std::int64_t width = 0, height = 0;
};

// What a file holds, read without decoding a sample.
struct RasterInfo {
    std::int64_t width = 0, height = 0;
    int count = 0;                        // bands
    SampleType type = SampleType::uint8;  // of every band
    int bits = 8;                         // as stored
    int block_width = 0, block_height = 0;
    bool tiled = false;
    bool planar = false;                  // one plane per band (else pixel-interleaved)
    std::string compression;              // "none", "lzw", "deflate", "jpeg", "zstd", ...
    int predictor = 1;
    std::string photometric;              // "minisblack", "rgb", "palette", "ycbcr", ...
    std::vector<RasterSize> overviews;    // reduced levels, largest first
    std::optional<double> nodata;
    bool has_mask = false;                // an internal validity mask
    int alpha_band = 0;                   // the band that is alpha (1-based), 0 for none
    std::vector<double> scales, offsets;  // per band (1 and 0 when the file gives none)
    std::vector<std::string> descriptions;
    std::optional<std::array<double, 6>> geotransform;  // GDAL's order
    std::optional<int> epsg;
    bool big_tiff = false;
};

class Raster {
public:
    // Reads the file's directories; no sample is decoded.
    static Raster open(const std::string& path);
    ~Raster();
    Raster(Raster&&) noexcept;
    Raster& operator=(Raster&&) noexcept;

    const RasterInfo& info() const;
    const std::string& path() const;
    std::int64_t width() const { return info().width; }
    std::int64_t height() const { return info().height; }
    int count() const { return info().count; }
    // Decimation factor of each overview: floor(0.5 + width / overview width).
    std::vector<int> overview_factors() const;

    // Reads `window` of `bands` (1-based, in the order given) resampled to
    // `out` (nearest pixel centre; an output smaller than the window reads the
    // coarsest overview that still holds at least its detail) into `buffer`:
    // band after band, each out.height rows of out.width samples of `type`,
    // which must be the raster's. Checks everything before reading anything.
    void read(const RasterWindow& window, const std::vector<int>& bands, RasterSize out, void* buffer,
              std::size_t bufferBytes, SampleType type) const;
    // The same into a new vector of T, which must be the raster's type.
    template <class T>
    std::vector<T> read(const RasterWindow& window, const std::vector<int>& bands, RasterSize out) const {
        std::vector<T> values(static_cast<std::size_t>(out.width > 0 && out.height > 0 ? out.width * out.height : 0) *
                              bands.size());
        read(window, bands, out, values.data(), values.size() * sizeof(T), sample_type_of<T>());
        return values;
    }

    // Validity of the same samples, one plane per band as read() lays them
    // out, as GDAL gives it: the internal mask (255 valid, 0 not), else no-data
    // (NaN included), else an 8-bit alpha band's values for the other bands.
    void read_mask(const RasterWindow& window, const std::vector<int>& bands, RasterSize out, std::uint8_t* buffer,
                   std::size_t bufferBytes) const;

    // The blocks of band `band` as windows, row of blocks by row of blocks.
    std::vector<RasterWindow> block_windows(int band = 1) const;

    struct Impl;

private:
    explicit Raster(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace velmora

#include "velmora/raster_writer.hpp"
