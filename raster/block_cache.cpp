#include "raster/block_cache.h"

#include "storage/memory_budget.h"
#include "velmora/system.h"

namespace velmora::raster {

uint64_t BlockCache::Capacity() {
    // A quarter of a set limit leaves the rest to images; without one, a
    // twentieth of the machine's memory, as GDAL's block cache takes.
    const uint64_t limit = GetProcessMemoryLimit();
    return limit ? limit / 4 : MachineMemory() / 20;
}

uint64_t BlockCache::MachineMemory() {
    static const uint64_t total = [] {
        MEMORYSTATUS status{};
        GlobalMemoryStatus(&status);
        return status.dwTotalPhys;
    }();
    return total;
}

BlockCache::~BlockCache() {
    std::lock_guard<std::mutex> hold(m_lock);
    while (!m_order.empty()) EvictOldestLocked();
}

BlockRef BlockCache::Find(uint64_t key) {
    std::lock_guard<std::mutex> hold(m_lock);
    const auto found = m_index.find(key);
    if (found == m_index.end()) return nullptr;
    m_order.splice(m_order.begin(), m_order, found->second);
    return found->second->second;
}

void BlockCache::Insert(uint64_t key, const BlockRef& block) {
    const uint64_t capacity = Capacity();
    if (block->size > capacity) return;
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_index.count(key)) return;  // another thread decoded the same block
    while (!m_order.empty() && m_bytes + block->size > capacity) EvictOldestLocked();
    while (!ReserveBudget(block.get(), block->size)) {
        if (m_order.empty()) return;
        EvictOldestLocked();
    }
    m_order.emplace_front(key, block);
    m_index[key] = m_order.begin();
    m_bytes += block->size;
}

size_t BlockCache::HeldBytes() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_bytes;
}

void BlockCache::EvictOldestLocked() {
    const auto& oldest = m_order.back();
    ReleaseBudget(oldest.second.get());
    m_bytes -= oldest.second->size;
    m_index.erase(oldest.first);
    m_order.pop_back();
}

}  // namespace velmora::raster
