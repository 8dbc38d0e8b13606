#include "api/call_lock.h"

#include <algorithm>

namespace velmora::api {

bool CallLock::MayEnter(std::thread::id self, Use use) const {
    if (m_owner == self) return true;
    if (m_depth != 0 || m_returning != 0) return false;
    return use == Use::read ||
           std::all_of(m_lenders.begin(), m_lenders.end(), [self](std::thread::id id) { return id == self; });
}

void CallLock::Lock(Use use) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(m_mutex);
    m_changed.wait(guard, [&] { return MayEnter(self, use); });
    m_owner = self;
    ++m_depth;
}

void CallLock::Unlock() {
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        if (--m_depth != 0) return;
        m_owner = std::thread::id();
    }
    m_changed.notify_all();
}

int CallLock::Lend() {
    const std::thread::id self = std::this_thread::get_id();
    int depth = 0;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        if (m_owner != self) return 0;
        depth = m_depth;
        m_depth = 0;
        m_owner = std::thread::id();
        m_lenders.push_back(self);
    }
    m_changed.notify_all();
    return depth;
}

void CallLock::TakeBack(int depth) {
    if (depth == 0) return;
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(m_mutex);
    m_lenders.erase(std::find(m_lenders.begin(), m_lenders.end(), self));
    ++m_returning;
    m_changed.wait(guard, [&] { return m_depth == 0; });
    --m_returning;
    m_owner = self;
    m_depth = depth;
}

bool CallLock::InCallOnThisThread() {
    const std::thread::id self = std::this_thread::get_id();
    const std::lock_guard<std::mutex> guard(m_mutex);
    return (m_owner == self && m_depth != 0) || std::find(m_lenders.begin(), m_lenders.end(), self) != m_lenders.end();
}

}  // namespace velmora::api
