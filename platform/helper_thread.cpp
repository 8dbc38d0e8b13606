#include "platform/helper_thread.h"

#include <atomic>
#include <new>
#include <system_error>

namespace velmora {

namespace {

std::atomic<int> g_refusals{0};

bool Refused() {
    int left = g_refusals.load();
    while (left > 0)
        if (g_refusals.compare_exchange_weak(left, left - 1)) return true;
    return false;
}

}  // namespace

// Asked once: the answer costs a file read.
bool SpareCoreLikely() {
    static const bool spare = std::thread::hardware_concurrency() >= 2;
    return spare;
}

void RefuseHelperThreads(int count) { g_refusals = count; }

bool HelperThread::Start(std::function<void()> work) {
    if (m_thread.joinable() || Refused()) return false;
    m_finished = false;
    try {
        m_thread = std::thread([this, work = std::move(work)] {
            try {
                work();
                m_finished = true;
            } catch (...) {  // an exception leaving a thread would end the process
            }
        });
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool HelperThread::Join() {
    if (!m_thread.joinable()) return false;
    m_thread.join();
    return m_finished;
}

}  // namespace velmora
