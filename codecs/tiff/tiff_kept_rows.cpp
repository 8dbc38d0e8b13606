#include "codecs/tiff/tiff_kept_rows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "velmora/system.h"

namespace velmora::tiff {

namespace {

constexpr uint64_t kBudgetCeiling = uint64_t{128} << 20;
constexpr uint64_t kNoOverride = UINT64_MAX;
// Rows are kept in chunks of up to this size and a sixteenth of the budget
// (or of one row), so the count of allocations stays bounded whatever the
// band's rows and the last chunk wastes little of a small budget.
constexpr uint64_t kChunkBytes = uint64_t{1} << 20;
constexpr int kRuns = 2;

std::atomic<uint64_t> g_budgetOverride{kNoOverride};

// Takes `bytes` from the budget when that many are left.
bool Take(std::atomic<uint64_t>* budget, uint64_t bytes) {
    uint64_t left = budget->load(std::memory_order_relaxed);
    while (left >= bytes)
        if (budget->compare_exchange_weak(left, left - bytes, std::memory_order_relaxed)) return true;
    return false;
}

}  // namespace

uint64_t KeptRowsBudget(const Layout& layout) {
    // Decoding uncompressed rows again is a copy from the file cache, cheaper
    // than keeping them.
    if (layout.compression == COMPRESSION_NONE) return 0;
    const uint64_t fixed = g_budgetOverride.load(std::memory_order_relaxed);
    if (fixed != kNoOverride) return fixed;
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    return std::min<uint64_t>(kBudgetCeiling, status.dwAvailPhys / 4);
}

void SetKeptRowsBudgetOverride(uint64_t bytes) { g_budgetOverride.store(bytes, std::memory_order_relaxed); }

// Chunks for `rows` rows: new ones while the budget lasts; then, when the run
// slides, the oldest chunk's rows are dropped and the chunk reused.
bool KeptRun::Reserve(uint64_t rows, std::atomic<uint64_t>* budget) {
    const uint64_t chunkBytes = uint64_t{m_chunkRows} * m_rowBytes;
    while (uint64_t{m_chunks.size()} * m_chunkRows < rows) {
        if (Take(budget, chunkBytes)) {
            Block chunk(static_cast<BYTE*>(std::malloc(static_cast<size_t>(chunkBytes))));
            if (!chunk) return false;
            m_chunks.push_back(std::move(chunk));
            continue;
        }
        if (!m_slide || m_rows < m_chunkRows) return false;
        std::rotate(m_chunks.begin(), m_chunks.begin() + 1, m_chunks.end());
        m_first += static_cast<uint32_t>(m_chunkRows);
        m_rows -= static_cast<uint32_t>(m_chunkRows);
        rows -= m_chunkRows;
    }
    return true;
}

void KeptRun::Keep(uint32_t first, uint32_t count, const BandSource& bands, std::atomic<uint64_t>* budget) {
    if (m_stopped || count == 0) return;
    if (m_rows == 0) m_first = first;
    if (first != m_first + m_rows || !Reserve(uint64_t{m_rows} + count, budget)) {
        m_stopped = true;
        // A sliding run is of use only when it reaches the last row: the
        // rows after it could not be decoded once its rows are skipped.
        if (m_slide) {
            m_rows = 0;
            m_chunks.clear();
        }
        return;
    }
    for (uint32_t k = 0; k < count; ++k) {
        const size_t at = m_rows + k;
        std::memcpy(m_chunks[at / m_chunkRows].get() + at % m_chunkRows * m_rowBytes, bands.Row(k), m_rowBytes);
    }
    m_rows += count;
}

KeptRows::KeptRows(size_t rowBytes, uint64_t budget, bool slide) : m_budget(budget) {
    const uint64_t chunkBytes = std::min(kChunkBytes, budget / 16);
    const size_t chunkRows = rowBytes ? static_cast<size_t>(std::max<uint64_t>(1, chunkBytes / rowBytes)) : 1;
    m_runs.reserve(kRuns);
    for (int r = 0; r < kRuns; ++r) m_runs.emplace_back(rowBytes, chunkRows, slide);
}

const KeptRun* KeptRows::Holding(uint32_t first, uint32_t count) const {
    for (const KeptRun& run : m_runs)
        if (run.Holds(first, count)) return &run;
    return nullptr;
}

}  // namespace velmora::tiff
