// libtiff handles of one file for threads that read at once: a handle is
// never shared, so each read takes one (opening another when all are busy)
// and gives it back afterwards. A handle remembers the directory it is at.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "codecs/tiff/tiff_open.h"
#include "raster/tiff_level.h"

namespace velmora::raster {

class HandlePool {
public:
    HandlePool(std::string path, tiff::TiffHandle first);

    class Lease {
    public:
        Lease(HandlePool& pool, tiff::TiffHandle handle) : m_pool(pool), m_handle(std::move(handle)) {}
        ~Lease() { m_pool.GiveBack(std::move(m_handle)); }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        // The handle at `level`'s directory, set up to decode it; null when
        // the directory cannot be read again.
        TIFF* At(const TiffLevel& level);

    private:
        HandlePool& m_pool;
        tiff::TiffHandle m_handle;
    };

    // Throws velmora::Error when no further handle can be opened.
    Lease Take();

private:
    void GiveBack(tiff::TiffHandle handle);

    std::string m_path;
    std::mutex m_lock;
    std::vector<tiff::TiffHandle> m_idle;
};

}  // namespace velmora::raster
