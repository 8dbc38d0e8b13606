// Saves a pyramid's tiles on a thread of its own, so encoding them overlaps
// reading and averaging the image's rows.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/dz_writer.h"

namespace velmora::cli {

class TileSaver {
public:
    explicit TileSaver(const DzOptions& options);
    // Drops what is still waiting when Finish was not reached.
    ~TileSaver();
    TileSaver(const TileSaver&) = delete;
    TileSaver& operator=(const TileSaver&) = delete;

    // Copies the tile and queues its save to `path`; waits while the queue is
    // full. Throws the failure of an earlier save.
    void Add(const TileImage& tile, const std::string& path);
    // Waits until every queued tile is saved; throws the first failure.
    void Finish();

private:
    struct Job {
        TileImage tile;
        std::vector<std::uint8_t> pixels;
        std::string path;
    };
    void Run();
    void Stop();
    void ThrowFailure();

    DzOptions m_options;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    bool m_busy = false;     // the thread is saving a job taken from the queue
    bool m_stopped = false;  // no more jobs come
    std::exception_ptr m_failure;
    std::thread m_thread;
};

}  // namespace velmora::cli
