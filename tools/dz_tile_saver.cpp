#include "tools/dz_tile_saver.h"

namespace velmora::cli {

namespace {

// Tiles waiting at most: a few megabytes of 254-pixel tiles.
constexpr std::size_t kQueued = 32;

}  // namespace

TileSaver::TileSaver(const DzOptions& options) : m_options(options), m_thread([this] { Run(); }) {}

TileSaver::~TileSaver() { Stop(); }

void TileSaver::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void TileSaver::ThrowFailure() {
    if (m_failure) std::rethrow_exception(m_failure);
}

void TileSaver::Add(const TileImage& tile, const std::string& path) {
    Job job{tile, {}, path};
    const std::size_t row = static_cast<std::size_t>(tile.width) * 3;
    job.pixels.reserve(row * static_cast<std::size_t>(tile.height));
    for (int y = 0; y < tile.height; ++y) {
        const std::uint8_t* from = tile.pixels + tile.stride * static_cast<std::size_t>(y);
        job.pixels.insert(job.pixels.end(), from, from + row);
    }
    job.tile.pixels = job.pixels.data();
    job.tile.stride = row;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_jobs.size() < kQueued || m_failure; });
    ThrowFailure();
    m_jobs.push_back(std::move(job));
    lock.unlock();
    m_changed.notify_all();
}

void TileSaver::Finish() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return (m_jobs.empty() && !m_busy) || m_failure; });
    ThrowFailure();
}

void TileSaver::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_jobs.empty() || m_stopped; });
        if (m_stopped || m_failure) return;  // after Finish nothing waits
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        m_changed.notify_all();
        std::exception_ptr failure;
        try {
            SaveTile(job.tile, job.path, m_options);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        m_busy = false;
        if (failure && !m_failure) m_failure = failure;
        m_changed.notify_all();
    }
}

}  // namespace velmora::cli
