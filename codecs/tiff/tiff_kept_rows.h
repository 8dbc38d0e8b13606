// Decoded rows a stretched read keeps from its first pass (measuring the
// range) for its second (storing), so the rows that fit are decoded once and
// the rest are decoded again. Each measuring thread keeps one run of whole
// bands from where it starts, in chunks taken from one shared budget until it
// is spent: min(128 MiB, a quarter of the available memory; none for
// uncompressed files, which decode again at the cost of a copy). Bytes out are
// the same either way; only the decoding work differs.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/tiff/tiff_bands.h"

namespace velmora::tiff {

// The budget for one read of `layout`: 0 for uncompressed rows, else the
// override when set, else min(128 MiB, a quarter of the available memory).
uint64_t KeptRowsBudget(const Layout& layout);
// Test seam: a fixed budget (0 keeps nothing); UINT64_MAX clears it.
void SetKeptRowsBudgetOverride(uint64_t bytes);

// One contiguous run of kept rows, appended a band at a time.
class KeptRun {
public:
    KeptRun(size_t rowBytes, size_t chunkRows, bool slide)
        : m_rowBytes(rowBytes), m_chunkRows(chunkRows), m_slide(slide) {}

    // Appends the band's rows [first, first + count) when they continue the
    // run and their chunks fit the budget; once one does not, the run stops,
    // or, when it slides, drops its oldest rows to make room.
    void Keep(uint32_t first, uint32_t count, const BandSource& bands, std::atomic<uint64_t>* budget);
    bool Holds(uint32_t first, uint32_t count) const {
        return m_rows > 0 && first >= m_first && uint64_t{first} + count <= uint64_t{m_first} + m_rows;
    }
    const BYTE* Row(uint32_t row) const {
        const size_t k = row - m_first;
        return m_chunks[k / m_chunkRows].get() + k % m_chunkRows * m_rowBytes;
    }

private:
    bool Reserve(uint64_t rows, std::atomic<uint64_t>* budget);

    size_t m_rowBytes;
    size_t m_chunkRows;
    bool m_slide;
    uint32_t m_first = 0;
    uint32_t m_rows = 0;
    bool m_stopped = false;
    std::vector<Block> m_chunks;
};

// The runs of one read (one per measuring thread) and their budget. Rows
// that libtiff decodes only in order (a strip larger than a window, read a
// row at a time) cannot be decoded again from the middle, so their run
// slides: it keeps the last rows, and the second pass decodes the first
// rows in order and takes the rest from the run.
class KeptRows {
public:
    KeptRows(size_t rowBytes, uint64_t budget, bool slide);

    KeptRun& Run(int index) { return m_runs[index]; }
    std::atomic<uint64_t>* Budget() { return &m_budget; }
    // The kept run holding the band's rows, or null.
    const KeptRun* Holding(uint32_t first, uint32_t count) const;

private:
    std::atomic<uint64_t> m_budget;
    std::vector<KeptRun> m_runs;
};

// As ForEachBand, but visit(first, count, row) gets a row function over the
// kept rows where a band was kept, and decodes the band again where not.
template <class Visit>
Failure ForEachKeptOrDecodedBand(BandSource& bands, const KeptRows& kept, uint32_t length, Visit&& visit) {
    for (uint32_t first = 0; first < length; first += bands.BandRows()) {
        uint32_t count = std::min(bands.BandRows(), length - first);
        Failure failure = nullptr;
        if (const KeptRun* run = kept.Holding(first, count)) {
            failure = visit(first, count, [&](uint32_t k) { return run->Row(first + k); });
        } else {
            if ((failure = bands.Read(first, &count))) return failure;
            failure = visit(first, count, [&](uint32_t k) { return bands.Row(k); });
        }
        if (failure) return failure;
    }
    return nullptr;
}

}  // namespace velmora::tiff
