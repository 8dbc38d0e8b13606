// Opening a raster: every directory's layout read once, none of its samples.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "raster/geo_reference.h"
#include "raster/raster_impl.h"

namespace velmora {

namespace {

using raster::TiffLevel;

// Directories past this are not looked at (a file of pages, or a loop).
constexpr int kMaxDirectories = 1024;

Error OpenFailure(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return Error(errno == ENOENT ? ErrorCode::file_not_found : ErrorCode::open_failed,
                     "cannot open " + path + ": no such file", std::string(), errno);
    if (!S_ISREG(st.st_mode)) return Error(ErrorCode::open_failed, "cannot open " + path + ": not a regular file");
    return Error(ErrorCode::unknown_format, "cannot open " + path + " as a raster: it is no TIFF file");
}

// GDAL's overviews: reduced images with the full image's samples.
bool IsOverviewOf(const TiffLevel& level, const TiffLevel& full) {
    return level.IsReduced() && !level.IsMask() && level.samples == full.samples && level.bits == full.bits &&
           level.format == full.format && level.width <= full.width && level.height <= full.height;
}

// Every block has an offset of at least 4 bytes in the file, so a directory
// naming more blocks than that is forged (and would make block lists
// without end).
bool ReadLevelInFile(TIFF* tif, uint64_t fileSize, TiffLevel* level, std::string* why) {
    if (!ReadLevel(tif, level, why)) return false;
    if (level->Blocks() > fileSize / 4) {
        *why = "its " + std::to_string(level->Blocks()) + " blocks are more than the file can hold";
        return false;
    }
    return true;
}

void ReadLevels(TIFF* tif, const std::string& path, Raster::Impl* impl) {
    std::string why;
    TiffLevel full;
    if (!ReadLevelInFile(tif, impl->fileSize, &full, &why))
        throw Error(ErrorCode::bad_data, "cannot open " + path + ": " + why);
    impl->levels.push_back(full);
    for (int n = 1; n < kMaxDirectories && TIFFReadDirectory(tif); ++n) {
        TiffLevel level;
        if (!ReadLevelInFile(tif, impl->fileSize, &level, &why)) continue;
        if (level.IsMask()) impl->masks.push_back(level);
        else if (IsOverviewOf(level, full)) impl->levels.push_back(level);
    }
    std::stable_sort(impl->levels.begin() + 1, impl->levels.end(),
                     [](const TiffLevel& a, const TiffLevel& b) { return a.width > b.width; });
    for (TiffLevel& level : impl->levels)
        for (size_t m = 0; m < impl->masks.size(); ++m)
            if (impl->masks[m].width == level.width && impl->masks[m].height == level.height)
                level.mask = static_cast<int>(m);
}

// GDAL takes the last of 2 or 4 bytes per pixel as alpha when the file says
// it is one.
int AlphaBand(TIFF* tif, const TiffLevel& full) {
    uint16_t count = 0;
    const uint16_t* kinds = nullptr;
    if ((full.samples != 2 && full.samples != 4) || full.type != SampleType::uint8 ||
        !TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) || count == 0 || !kinds)
        return 0;
    const uint16_t kind = kinds[count - 1];
    return kind == EXTRASAMPLE_ASSOCALPHA || kind == EXTRASAMPLE_UNASSALPHA ? full.samples : 0;
}

void Describe(TIFF* tif, Raster::Impl* impl) {
    const TiffLevel& full = impl->levels[0];
    RasterInfo& info = impl->info;
    info.width = full.width;
    info.height = full.height;
    info.count = full.samples;
    info.type = full.type;
    info.bits = full.bits;
    info.block_width = static_cast<int>(full.blockWidth);
    info.block_height = static_cast<int>(full.blockHeight);
    info.tiled = full.tiled;
    info.planar = full.planar;
    info.compression = raster::CompressionName(full.compression);
    info.predictor = full.predictor;
    info.photometric = raster::PhotometricName(full.photometric);
    for (size_t i = 1; i < impl->levels.size(); ++i)
        info.overviews.push_back({impl->levels[i].width, impl->levels[i].height});
    info.has_mask = full.mask >= 0;
    info.alpha_band = AlphaBand(tif, full);
    info.big_tiff = TIFFIsBigTIFF(tif) != 0;
    if (TIFFSetDirectory(tif, full.dir)) raster::ReadGeoReference(tif, &info);
}

}  // namespace

Raster::Raster(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
Raster::~Raster() = default;
Raster::Raster(Raster&&) noexcept = default;
Raster& Raster::operator=(Raster&&) noexcept = default;

Raster Raster::open(const std::string& path) {
    tiff::TiffHandle handle(tiff::OpenTiffForReading(path.c_str()));
    if (!handle) throw OpenFailure(path);
    TIFF* tif = handle.get();
    struct stat st {};
    const uint64_t fileSize = fstat(TIFFFileno(tif), &st) == 0 ? uint64_t(st.st_size) : 0;
    auto impl = std::make_unique<Impl>(path, std::move(handle));
    impl->fileSize = fileSize;
    ReadLevels(tif, path, impl.get());
    Describe(tif, impl.get());
    return Raster(std::move(impl));
}

const RasterInfo& Raster::info() const { return m_impl->info; }
const std::string& Raster::path() const { return m_impl->path; }

std::vector<int> Raster::overview_factors() const {
    std::vector<int> factors;
    for (const RasterSize& o : m_impl->info.overviews)
        factors.push_back(static_cast<int>(0.5 + double(m_impl->info.width) / double(o.width)));
    return factors;
}

}  // namespace velmora
