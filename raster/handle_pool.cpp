#include "raster/handle_pool.h"

#include "velmora/image.hpp"

namespace velmora::raster {

namespace {

// Handles kept idle beyond this are closed.
constexpr size_t kIdleHandles = 8;

}  // namespace

HandlePool::HandlePool(std::string path, tiff::TiffHandle first) : m_path(std::move(path)) {
    m_idle.push_back(std::move(first));
}

HandlePool::Lease HandlePool::Take() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_idle.empty()) {
            tiff::TiffHandle handle = std::move(m_idle.back());
            m_idle.pop_back();
            return Lease(*this, std::move(handle));
        }
    }
    tiff::TiffHandle handle(tiff::OpenTiffForReading(m_path.c_str()));
    if (!handle) throw Error(ErrorCode::open_failed, "cannot open " + m_path + " again to read it");
    return Lease(*this, std::move(handle));
}

void HandlePool::GiveBack(tiff::TiffHandle handle) {
    if (!handle) return;
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_idle.size() < kIdleHandles) m_idle.push_back(std::move(handle));
}

TIFF* HandlePool::Lease::At(const TiffLevel& level) {
    TIFF* tif = m_handle.get();
    if (TIFFCurrentDirectory(tif) != level.dir && !TIFFSetDirectory(tif, level.dir)) return nullptr;
    // JPEG-compressed YCbCr decodes to RGB, as GDAL reads it.
    if (level.compression == COMPRESSION_JPEG && level.photometric == PHOTOMETRIC_YCBCR)
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    return tif;
}

}  // namespace velmora::raster
