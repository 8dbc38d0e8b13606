#include "storage/memory_budget.h"

#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "velmora/system.h"

namespace velmora {

namespace {

struct Entry {
    uint64_t bytes = 0;
    std::thread::id thread;
};

struct Budget {
    std::mutex lock;
    std::condition_variable released;
    std::unordered_map<const void*, Entry> entries;
    uint64_t reserved = 0;
};

Budget& TheBudget() {
    static Budget budget;
    return budget;
}

uint64_t FreeLocked(const Budget& budget, uint64_t limit) {
    return budget.reserved < limit ? limit - budget.reserved : 0;
}

void EnterLocked(Budget& budget, const void* owner, uint64_t bytes) {
    Entry& entry = budget.entries[owner];
    entry.bytes += bytes;
    entry.thread = std::this_thread::get_id();
    budget.reserved += bytes;
}

// Whether memory is held by another thread, which may give it back.
bool OthersHoldLocked(const Budget& budget) {
    const std::thread::id self = std::this_thread::get_id();
    for (const auto& entry : budget.entries)
        if (entry.second.thread != self) return true;
    return false;
}

}  // namespace

uint64_t BudgetFree() {
    const uint64_t limit = GetProcessMemoryLimit();
    if (limit == 0) return std::numeric_limits<uint64_t>::max();
    Budget& budget = TheBudget();
    std::lock_guard<std::mutex> hold(budget.lock);
    return FreeLocked(budget, limit);
}

bool ReserveBudget(const void* owner, uint64_t bytes) {
    const uint64_t limit = GetProcessMemoryLimit();
    if (limit == 0) return true;
    Budget& budget = TheBudget();
    std::lock_guard<std::mutex> hold(budget.lock);
    if (bytes > FreeLocked(budget, limit)) return false;
    EnterLocked(budget, owner, bytes);
    return true;
}

uint64_t GrantWindowBudget(const void* owner, uint64_t wanted, uint64_t minimum, int maxWaitMs) {
    if (wanted < minimum) wanted = minimum;
    const uint64_t limit = GetProcessMemoryLimit();
    if (limit == 0) return wanted;
    Budget& budget = TheBudget();
    std::unique_lock<std::mutex> hold(budget.lock);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxWaitMs);
    for (;;) {
        const uint64_t free = FreeLocked(budget, limit);
        const auto own = budget.entries.find(owner);
        const bool others = budget.entries.size() > (own == budget.entries.end() ? 0u : 1u);
        const uint64_t share = others ? free / 2 : free;
        uint64_t grant = wanted <= share ? wanted : share >= minimum ? share : free >= minimum ? minimum : 0;
        // A limit below the smallest window, or used up by this thread's own
        // images: waiting cannot help, and the smallest window goes over it.
        if (!grant && !OthersHoldLocked(budget)) grant = minimum;
        if (grant) {
            EnterLocked(budget, owner, grant);
            return grant;
        }
        if (budget.released.wait_until(hold, deadline) == std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline && FreeLocked(budget, limit) < minimum)
            return 0;
    }
}

void ReleaseBudget(const void* owner) {
    Budget& budget = TheBudget();
    {
        std::lock_guard<std::mutex> hold(budget.lock);
        auto found = budget.entries.find(owner);
        if (found == budget.entries.end()) return;
        budget.reserved -= found->second.bytes;
        budget.entries.erase(found);
    }
    budget.released.notify_all();
}

uint64_t BudgetReserved() {
    Budget& budget = TheBudget();
    std::lock_guard<std::mutex> hold(budget.lock);
    return budget.reserved;
}

}  // namespace velmora
