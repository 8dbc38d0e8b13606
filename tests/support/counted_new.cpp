#include "support/counted_new.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> g_live{0}, g_peak{0}, g_base{0};
std::atomic<long> g_count{0}, g_failAt{0};

void* Allocate(size_t bytes) {
    if (g_failAt && ++g_count == g_failAt) throw std::bad_alloc();
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    const size_t live = g_live += malloc_usable_size(p);
    size_t peak = g_peak;
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return p;
}

void Free(void* p) {
    if (!p) return;
    g_live -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

namespace vtest {

void ResetPeak() { g_base = g_peak = g_live.load(); }
size_t PeakSinceReset() { return g_peak - g_base; }

void FailAllocation(long n) {
    g_count = 0;
    g_failAt = n;
}
bool AllocationFailed() { return g_failAt && g_count >= g_failAt; }

}  // namespace vtest

void* operator new(size_t bytes) { return Allocate(bytes); }
void* operator new[](size_t bytes) { return Allocate(bytes); }
// The nothrow forms too, so that every delete frees what this file allocated.
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return Allocate(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](size_t bytes, const std::nothrow_t& tag) noexcept { return operator new(bytes, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }
