// Decoded blocks of one raster, least recently used first out. The cache
// holds at most a share of the library's memory limit (of the machine's
// memory without one), and every block it keeps is entered in the process
// memory budget that images and row windows take theirs from. Threads share
// it; the lock is held only to look up, insert and evict, never to decode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace velmora::raster {

struct DecodedBlock {
    explicit DecodedBlock(size_t bytes) : data(new uint8_t[bytes]), size(bytes) {}
    std::unique_ptr<uint8_t[]> data;
    size_t size;
};
using BlockRef = std::shared_ptr<const DecodedBlock>;

class BlockCache {
public:
    BlockCache() = default;
    ~BlockCache();
    BlockCache(const BlockCache&) = delete;
    BlockCache& operator=(const BlockCache&) = delete;

    BlockRef Find(uint64_t key);
    // Keeps `block` when room can be made for it; a caller keeps using its
    // reference either way.
    void Insert(uint64_t key, const BlockRef& block);
    size_t HeldBytes();

    // The most a cache may hold now.
    static uint64_t Capacity();
    // The machine's (or control group's) memory, read once.
    static uint64_t MachineMemory();

private:
    void EvictOldestLocked();

    using Order = std::list<std::pair<uint64_t, BlockRef>>;
    std::mutex m_lock;
    Order m_order;  // most recent first
    std::unordered_map<uint64_t, Order::iterator> m_index;
    size_t m_bytes = 0;
};

}  // namespace velmora::raster
