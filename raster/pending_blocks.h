// Blocks of a raster being written that have some samples but not all:
// held in memory within the library's memory budget, the least recently
// used going to a scratch file beside the target when the budget is spent,
// and coming back when a window reaches them again.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace velmora::raster {

class PendingBlocks {
public:
    // Blocks of `blockBytes` bytes with `samples` samples each, new ones
    // filled from `fillSample` (one sample's bytes); the scratch file goes in
    // `directory`.
    PendingBlocks(uint64_t blockBytes, uint64_t samples, std::vector<uint8_t> fillSample, std::string directory);
    ~PendingBlocks();
    PendingBlocks(const PendingBlocks&) = delete;
    PendingBlocks& operator=(const PendingBlocks&) = delete;

    // Block `index` in memory (new, or back from the scratch file); valid
    // until the next call. Throws velmora::Error when the scratch file fails.
    uint8_t* Samples(uint32_t index);
    // Marks samples first .. first + count - 1 of block `index` as given; the
    // number of samples of the block given so far.
    uint64_t Give(uint32_t index, uint64_t first, uint64_t count);
    void Forget(uint32_t index);
    bool Holds(uint32_t index) const { return m_blocks.count(index) != 0; }
    std::vector<uint32_t> Indices() const;

private:
    struct Block;
    void MakeRoom(uint32_t keep);
    void SpillOut(uint32_t index, Block& block);
    void BringBack(Block& block);
    void Touch(uint32_t index, Block& block);

    uint64_t m_blockBytes, m_samples;
    std::vector<uint8_t> m_fill;
    std::string m_directory;
    std::unordered_map<uint32_t, std::unique_ptr<Block>> m_blocks;
    std::list<uint32_t> m_resident;  // most recently used first
    int m_scratch = -1;
    std::vector<uint64_t> m_freeSlots;
    uint64_t m_slots = 0;
};

}  // namespace velmora::raster
