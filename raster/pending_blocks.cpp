#include "raster/pending_blocks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "storage/memory_budget.h"
#include "velmora/image.hpp"

namespace velmora::raster {

struct PendingBlocks::Block {
    std::unique_ptr<uint8_t[]> data;
    std::vector<uint64_t> given;  // one bit per sample
    uint64_t givenCount = 0;
    int64_t slot = -1;  // in the scratch file while data is null
    std::list<uint32_t>::iterator place;
};

namespace {

[[noreturn]] void ScratchFailure(int error) {
    throw Error(ErrorCode::write_failed, std::string("cannot hold pending blocks in a scratch file: ") +
                                             std::strerror(error), std::string(), error);
}

// A file nobody else can name, gone when closed: O_TMPFILE where the file
// system has it, else a created and at once unlinked name.
int OpenScratch(const std::string& directory) {
    const std::string dir = directory.empty() ? "." : directory;
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string name = dir + "/.velmora-pending-XXXXXX";
    fd = mkstemp(name.data());
    if (fd >= 0) unlink(name.c_str());
    return fd;
}

void TransferAll(int fd, uint8_t* data, uint64_t bytes, uint64_t offset, bool out) {
    while (bytes > 0) {
        const ssize_t n = out ? pwrite(fd, data, bytes, off_t(offset)) : pread(fd, data, bytes, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ScratchFailure(n < 0 ? errno : EIO);
        data += n;
        bytes -= uint64_t(n);
        offset += uint64_t(n);
    }
}

// Sets bits first .. first + count - 1; how many were clear.
uint64_t SetBits(std::vector<uint64_t>& bits, uint64_t first, uint64_t count) {
    uint64_t fresh = 0;
    for (uint64_t at = first, end = first + count; at < end;) {
        const uint64_t word = at / 64, bit = at % 64, span = std::min<uint64_t>(64 - bit, end - at);
        const uint64_t mask = (span == 64 ? ~uint64_t{0} : ((uint64_t{1} << span) - 1)) << bit;
        fresh += uint64_t(__builtin_popcountll(mask & ~bits[word]));
        bits[word] |= mask;
        at += span;
    }
    return fresh;
}

}  // namespace

PendingBlocks::PendingBlocks(uint64_t blockBytes, uint64_t samples, std::vector<uint8_t> fillSample,
                             std::string directory)
    : m_blockBytes(blockBytes), m_samples(samples), m_fill(std::move(fillSample)), m_directory(std::move(directory)) {}

PendingBlocks::~PendingBlocks() {
    for (auto& [index, block] : m_blocks)
        if (block->data) ReleaseBudget(block->data.get());
    if (m_scratch >= 0) close(m_scratch);
}

void PendingBlocks::Touch(uint32_t index, Block& block) {
    if (block.place != m_resident.end()) m_resident.erase(block.place);
    m_resident.push_front(index);
    block.place = m_resident.begin();
}

// Spills the least recently used blocks (never `keep`) until one more block
// fits the budget; when none is left to spill, the block goes over it.
void PendingBlocks::MakeRoom(uint32_t keep) {
    while (BudgetFree() < m_blockBytes) {
        auto victim = m_resident.end();
        for (auto it = m_resident.rbegin(); it != m_resident.rend(); ++it)
            if (*it != keep) {
                victim = std::prev(it.base());
                break;
            }
        if (victim == m_resident.end()) return;
        SpillOut(*victim, *m_blocks.at(*victim));
    }
}

void PendingBlocks::SpillOut(uint32_t index, Block& block) {
    (void)index;
    if (m_scratch < 0 && (m_scratch = OpenScratch(m_directory)) < 0) ScratchFailure(errno);
    if (block.slot < 0) {
        if (m_freeSlots.empty()) m_freeSlots.push_back(m_slots++);
        block.slot = int64_t(m_freeSlots.back());
        m_freeSlots.pop_back();
    }
    TransferAll(m_scratch, block.data.get(), m_blockBytes, uint64_t(block.slot) * m_blockBytes, true);
    ReleaseBudget(block.data.get());
    block.data.reset();
    m_resident.erase(block.place);
    block.place = m_resident.end();
}

void PendingBlocks::BringBack(Block& block) {
    block.data.reset(new uint8_t[m_blockBytes]);
    ReserveBudget(block.data.get(), m_blockBytes);
    TransferAll(m_scratch, block.data.get(), m_blockBytes, uint64_t(block.slot) * m_blockBytes, false);
}

uint8_t* PendingBlocks::Samples(uint32_t index) {
    auto found = m_blocks.find(index);
    if (found != m_blocks.end() && found->second->data) {
        Touch(index, *found->second);
        return found->second->data.get();
    }
    MakeRoom(index);
    if (found == m_blocks.end()) {
        auto block = std::make_unique<Block>();
        block->place = m_resident.end();
        block->data.reset(new uint8_t[m_blockBytes]);
        ReserveBudget(block->data.get(), m_blockBytes);
        for (uint64_t s = 0; s < m_samples; ++s)
            std::memcpy(block->data.get() + s * m_fill.size(), m_fill.data(), m_fill.size());
        block->given.assign((m_samples + 63) / 64, 0);
        found = m_blocks.emplace(index, std::move(block)).first;
    } else {
        BringBack(*found->second);
    }
    Touch(index, *found->second);
    return found->second->data.get();
}

uint64_t PendingBlocks::Give(uint32_t index, uint64_t first, uint64_t count) {
    Block& block = *m_blocks.at(index);
    block.givenCount += SetBits(block.given, first, count);
    return block.givenCount;
}

void PendingBlocks::Forget(uint32_t index) {
    auto found = m_blocks.find(index);
    if (found == m_blocks.end()) return;
    Block& block = *found->second;
    if (block.data) {
        ReleaseBudget(block.data.get());
        m_resident.erase(block.place);
    }
    if (block.slot >= 0) m_freeSlots.push_back(uint64_t(block.slot));
    m_blocks.erase(found);
}

std::vector<uint32_t> PendingBlocks::Indices() const {
    std::vector<uint32_t> indices;
    for (const auto& entry : m_blocks) indices.push_back(entry.first);
    return indices;
}

}  // namespace velmora::raster
