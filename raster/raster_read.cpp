// Reading a raster: arguments checked before anything is read, then the
// level the read's size calls for, block by block through the cache.
#include <cmath>
#include <cstring>
#include <limits>

#include "raster/block_decode.h"
#include "raster/raster_impl.h"
#include "raster/window_copy.h"
#include "raster/window_plan.h"

namespace velmora {

namespace {

using raster::TiffLevel;

Error Invalid(const std::string& message) { return Error(ErrorCode::invalid_argument, message); }

void CheckRequest(const RasterInfo& info, const RasterWindow& window, const std::vector<int>& bands,
                  RasterSize out) {
    if (window.width <= 0 || window.height <= 0 || window.col < 0 || window.row < 0 ||
        window.col > info.width - window.width || window.row > info.height - window.height)
        throw Invalid("window (" + std::to_string(window.col) + ", " + std::to_string(window.row) + ", " +
                      std::to_string(window.width) + ", " + std::to_string(window.height) +
                      ") is not inside the raster of " + std::to_string(info.width) + " x " +
                      std::to_string(info.height));
    if (bands.empty()) throw Invalid("no band to read");
    for (int band : bands)
        if (band < 1 || band > info.count)
            throw Invalid("band " + std::to_string(band) + " is not among bands 1.." + std::to_string(info.count));
    if (out.width <= 0 || out.height <= 0 || out.width > std::numeric_limits<int32_t>::max() ||
        out.height > std::numeric_limits<int32_t>::max())
        throw Invalid("output size " + std::to_string(out.width) + " x " + std::to_string(out.height) +
                      " is not a size");
}

void CheckBuffer(std::size_t needed, std::size_t bufferBytes) {
    if (bufferBytes < needed)
        throw Invalid("the buffer holds " + std::to_string(bufferBytes) + " bytes; the read needs " +
                      std::to_string(needed));
}

std::size_t PlaneSamples(RasterSize out) { return std::size_t(out.width) * std::size_t(out.height); }

// Why the samples of `level` cannot be read; empty when they can.
std::string Unreadable(const TiffLevel& level) {
    const SampleType t = level.type;
    if (t == SampleType::complex_int16 || t == SampleType::complex_int32 || t == SampleType::complex64 ||
        t == SampleType::complex128)
        return std::string("complex samples (") + to_string(t) + ") are described but not read";
    if (level.photometric == PHOTOMETRIC_YCBCR && level.compression != COMPRESSION_JPEG)
        return "YCbCr samples are read only from JPEG-compressed files";
    if (level.compression == COMPRESSION_OJPEG || !TIFFIsCODECConfigured(level.compression))
        return std::string("compression ") + raster::CompressionName(level.compression) + " (" +
               std::to_string(level.compression) + ") cannot be decoded here";
    return std::string();
}

std::vector<int> SamplesOf(const std::vector<int>& bands) {
    std::vector<int> samples;
    for (int band : bands) samples.push_back(band - 1);
    return samples;
}

void ReadFromLevel(Raster::Impl& impl, const TiffLevel& level, const RasterWindow& window, RasterSize out,
               const std::vector<int>& samples, uint8_t* buffer) {
    const RasterWindow on = raster::WindowOnLevel(impl.levels[0], level, window);
    const auto cols = raster::NearestSamples(on.col, on.width, out.width, level.width);
    const auto rows = raster::NearestSamples(on.row, on.height, out.height, level.height);
    raster::CopySamples(level, cols, rows, samples, buffer,
                        [&](uint32_t index, raster::BlockScratch* scratch) { return impl.Block(level, index, scratch); });
}

template <class T>
void MaskNoData(const T* values, std::size_t count, double nodata, uint8_t* mask) {
    if constexpr (std::numeric_limits<T>::is_integer) {
        const bool held = nodata >= double(std::numeric_limits<T>::lowest()) &&
                          nodata <= double(std::numeric_limits<T>::max()) && nodata == std::floor(nodata);
        const T value = held ? static_cast<T>(nodata) : T();
        for (std::size_t k = 0; k < count; ++k) mask[k] = held && values[k] == value ? 0 : 255;
    } else {
        const T value = static_cast<T>(nodata);
        const bool nan = std::isnan(nodata);
        for (std::size_t k = 0; k < count; ++k)
            mask[k] = (nan ? std::isnan(values[k]) : values[k] == value) ? 0 : 255;
    }
}

void MaskNoData(const void* values, SampleType type, std::size_t count, double nodata, uint8_t* mask) {
    switch (type) {
    case SampleType::uint8: return MaskNoData(static_cast<const uint8_t*>(values), count, nodata, mask);
    case SampleType::int8: return MaskNoData(static_cast<const int8_t*>(values), count, nodata, mask);
    case SampleType::uint16: return MaskNoData(static_cast<const uint16_t*>(values), count, nodata, mask);
    case SampleType::int16: return MaskNoData(static_cast<const int16_t*>(values), count, nodata, mask);
    case SampleType::uint32: return MaskNoData(static_cast<const uint32_t*>(values), count, nodata, mask);
    case SampleType::int32: return MaskNoData(static_cast<const int32_t*>(values), count, nodata, mask);
    case SampleType::uint64: return MaskNoData(static_cast<const uint64_t*>(values), count, nodata, mask);
    case SampleType::int64: return MaskNoData(static_cast<const int64_t*>(values), count, nodata, mask);
    case SampleType::float32: return MaskNoData(static_cast<const float*>(values), count, nodata, mask);
    case SampleType::float64: return MaskNoData(static_cast<const double*>(values), count, nodata, mask);
    default: std::memset(mask, 255, count); return;
    }
}

}  // namespace

raster::BlockRef Raster::Impl::Block(const TiffLevel& level, uint32_t index, raster::BlockScratch* scratch) {
    const uint64_t key = uint64_t{level.dir} << 32 | index;
    if (raster::BlockRef cached = cache.Find(key)) return cached;
    std::string why;
    std::shared_ptr<raster::DecodedBlock> block =
        scratch && scratch->block && scratch->block.use_count() == 1 ? scratch->block : raster::NewBlock(level, &why);
    if (!block) throw Error(ErrorCode::out_of_memory, "cannot read " + path + ": " + why);
    {
        raster::HandlePool::Lease lease = pool.Take();
        TIFF* tif = lease.At(level);
        if (!tif)
            throw Error(ErrorCode::bad_data,
                        "cannot read " + path + ": directory " + std::to_string(level.dir) + " cannot be read again");
        const double fill = level.IsMask() || !info.nodata ? 0.0 : *info.nodata;
        if (!raster::DecodeBlock({tif, fileSize, fill}, level, index, block.get(), &why))
            throw Error(ErrorCode::bad_data, "cannot read " + path + ": " + why);
    }
    if (scratch) scratch->block = block;
    else cache.Insert(key, block);
    return block;
}

void Raster::read(const RasterWindow& window, const std::vector<int>& bands, RasterSize out, void* buffer,
                  std::size_t bufferBytes, SampleType type) const {
    const RasterInfo& info = m_impl->info;
    CheckRequest(info, window, bands, out);
    if (type != info.type)
        throw Invalid(std::string("the buffer is of ") + to_string(type) + "; the raster's samples are " +
                      to_string(info.type));
    const std::string why = Unreadable(m_impl->levels[0]);
    if (!why.empty()) throw Error(ErrorCode::unsupported, "cannot read " + m_impl->path + ": " + why);
    CheckBuffer(PlaneSamples(out) * bands.size() * sample_bytes(type), bufferBytes);
    const TiffLevel& level = m_impl->levels[raster::ChooseLevel(m_impl->levels, window, out)];
    ReadFromLevel(*m_impl, level, window, out, SamplesOf(bands), static_cast<uint8_t*>(buffer));
}

void Raster::read_mask(const RasterWindow& window, const std::vector<int>& bands, RasterSize out,
                       std::uint8_t* buffer, std::size_t bufferBytes) const {
    const RasterInfo& info = m_impl->info;
    CheckRequest(info, window, bands, out);
    const std::size_t plane = PlaneSamples(out);
    CheckBuffer(plane * bands.size(), bufferBytes);
    const TiffLevel& level = m_impl->levels[raster::ChooseLevel(m_impl->levels, window, out)];
    const int maskIndex = level.mask >= 0 ? level.mask : m_impl->levels[0].mask;
    if (maskIndex >= 0) {
        // One mask for every band: 1-bit masks say 1 for valid.
        const TiffLevel& mask = m_impl->masks[maskIndex];
        ReadFromLevel(*m_impl, mask, window, out, {0}, buffer);
        if (mask.bits == 1)
            for (std::size_t k = 0; k < plane; ++k) buffer[k] = buffer[k] ? 255 : 0;
        for (std::size_t b = 1; b < bands.size(); ++b) std::memcpy(buffer + b * plane, buffer, plane);
    } else if (info.nodata) {
        std::vector<uint8_t> values(plane * bands.size() * sample_bytes(info.type));
        read(window, bands, out, values.data(), values.size(), info.type);
        MaskNoData(values.data(), info.type, plane * bands.size(), *info.nodata, buffer);
    } else {
        std::memset(buffer, 255, plane * bands.size());
        if (info.alpha_band)
            for (std::size_t b = 0; b < bands.size(); ++b)
                if (bands[b] != info.alpha_band)
                    read(window, {info.alpha_band}, out, buffer + b * plane, plane, SampleType::uint8);
    }
}

std::vector<RasterWindow> Raster::block_windows(int band) const {
    const RasterInfo& info = m_impl->info;
    if (band < 1 || band > info.count)
        throw Invalid("band " + std::to_string(band) + " is not among bands 1.." + std::to_string(info.count));
    const TiffLevel& full = m_impl->levels[0];
    std::vector<RasterWindow> windows;
    for (uint32_t r = 0; r < full.down; ++r)
        for (uint32_t c = 0; c < full.across; ++c) {
            const int64_t col = int64_t{c} * full.blockWidth, row = int64_t{r} * full.blockHeight;
            windows.push_back({col, row, std::min<int64_t>(full.blockWidth, info.width - col),
                               std::min<int64_t>(full.blockHeight, info.height - row)});
        }
    return windows;
}

}  // namespace velmora
