#include "raster/window_copy.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>

namespace velmora::raster {

namespace {

// Outputs [first, last) whose samples lie in block column or row `block`.
struct Run {
    uint32_t block;
    size_t first, last;
};

std::vector<Run> RunsOf(const std::vector<uint32_t>& indexes, uint32_t blockSize) {
    std::vector<Run> runs;
    for (size_t i = 0; i < indexes.size(); ++i) {
        const uint32_t block = indexes[i] / blockSize;
        if (runs.empty() || runs.back().block != block) runs.push_back({block, i, i});
        runs.back().last = i + 1;
    }
    return runs;
}

template <class T>
void CopyRow(const T* row, const uint32_t* cols, size_t count, uint32_t firstCol, int step, int offset, T* out) {
    for (size_t c = 0; c < count; ++c) out[c] = row[size_t(cols[c] - firstCol) * step + offset];
}

// One output row's run from one block row: `src` is the block row's first sample.
void CopyRun(const uint8_t* src, const uint32_t* cols, size_t count, uint32_t firstCol, int step, int offset,
             size_t bytes, uint8_t* out) {
    if (step == 1 && cols[count - 1] - cols[0] == count - 1) {
        std::memcpy(out, src + size_t(cols[0] - firstCol) * bytes, count * bytes);
        return;
    }
    switch (bytes) {
    case 1: return CopyRow(src, cols, count, firstCol, step, offset, out);
    case 2:
        return CopyRow(reinterpret_cast<const uint16_t*>(src), cols, count, firstCol, step, offset,
                       reinterpret_cast<uint16_t*>(out));
    case 4:
        return CopyRow(reinterpret_cast<const uint32_t*>(src), cols, count, firstCol, step, offset,
                       reinterpret_cast<uint32_t*>(out));
    default:
        return CopyRow(reinterpret_cast<const uint64_t*>(src), cols, count, firstCol, step, offset,
                       reinterpret_cast<uint64_t*>(out));
    }
}

// Output rows of `rowRuns` from every block they meet.
void CopyRowRuns(const TiffLevel& level, const std::vector<uint32_t>& cols, const std::vector<uint32_t>& rows,
                 const std::vector<Run>& rowRuns, const std::vector<Run>& colRuns, const std::vector<int>& samples,
                 uint8_t* out, const BlockFetch& fetch, bool stream) {
    BlockScratch scratch;
    BlockScratch* const through = stream ? &scratch : nullptr;
    const size_t bytes = sample_bytes(level.type);
    const int step = level.SamplesPerBlockPixel();
    const size_t planeBytes = cols.size() * rows.size() * bytes;
    const size_t blockRowBytes = size_t{level.blockWidth} * step * bytes;
    for (const Run& rowRun : rowRuns) {
        for (const Run& colRun : colRuns) {
            BlockRef shared;  // pixel-interleaved: every sample from one block
            for (size_t k = 0; k < samples.size(); ++k) {
                const uint32_t plane = level.planar ? uint32_t(samples[k]) : 0;
                BlockRef block = level.planar ? fetch(level.BlockIndex(colRun.block, rowRun.block, plane), through)
                                              : (shared ? shared
                                                        : (shared = fetch(level.BlockIndex(colRun.block,
                                                                                           rowRun.block, 0),
                                                                          through)));
                const int offset = level.planar ? 0 : samples[k];
                for (size_t r = rowRun.first; r < rowRun.last; ++r) {
                    const size_t rowInBlock = rows[r] - rowRun.block * level.blockHeight;
                    const uint8_t* src = block->data.get() + rowInBlock * blockRowBytes;
                    uint8_t* dst = out + k * planeBytes + (r * cols.size() + colRun.first) * bytes;
                    CopyRun(src, cols.data() + colRun.first, colRun.last - colRun.first,
                            colRun.block * level.blockWidth, step, offset, bytes, dst);
                }
            }
        }
    }
}

// Reads meeting more blocks than this go through scratch blocks.
constexpr size_t kStreamBlocks = 64;

// Threads for a read: one per core up to four, each with at least a few
// blocks, since each costs a thread and a libtiff handle.
size_t ThreadsFor(size_t blocks) {
    const size_t cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    return std::max<size_t>(1, std::min(cores, blocks / 4));
}

}  // namespace

void CopySamples(const TiffLevel& level, const std::vector<uint32_t>& cols, const std::vector<uint32_t>& rows,
                 const std::vector<int>& samples, uint8_t* out, const BlockFetch& fetch) {
    const std::vector<Run> rowRuns = RunsOf(rows, level.blockHeight);
    const std::vector<Run> colRuns = RunsOf(cols, level.blockWidth);
    const size_t blocks = rowRuns.size() * colRuns.size() * (level.planar ? samples.size() : 1);
    const bool stream = blocks > kStreamBlocks;
    const size_t threads = std::min(rowRuns.size(), ThreadsFor(blocks));
    if (threads <= 1) return CopyRowRuns(level, cols, rows, rowRuns, colRuns, samples, out, fetch, stream);
    std::vector<std::thread> workers;
    std::vector<std::exception_ptr> failures(threads);
    for (size_t t = 0; t < threads; ++t) {
        const std::vector<Run> share(rowRuns.begin() + rowRuns.size() * t / threads,
                                     rowRuns.begin() + rowRuns.size() * (t + 1) / threads);
        workers.emplace_back([&, share, t] {
            try {
                CopyRowRuns(level, cols, rows, share, colRuns, samples, out, fetch, stream);
            } catch (...) {
                failures[t] = std::current_exception();
            }
        });
    }
    for (std::thread& w : workers) w.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

}  // namespace velmora::raster

