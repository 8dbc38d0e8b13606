#include "storage/release_behind.h"

#include <utility>

namespace velmora {

ByteRange ReleaseBehind::Left(const ByteRange& window) {
    for (ByteRange& waiting : m_waiting)
        if (waiting == window) waiting = ByteRange{};
    Compact();
    const ByteRange pushedOut = m_waiting[kKept - 1];
    for (int i = kKept - 1; i > 0; --i) m_waiting[i] = m_waiting[i - 1];
    m_waiting[0] = window;
    return pushedOut;
}

void ReleaseBehind::Compact() {
    int to = 0;
    for (int from = 0; from < kKept; ++from)
        if (!m_waiting[from].Empty()) m_waiting[to++] = m_waiting[from];
    for (; to < kKept; ++to) m_waiting[to] = ByteRange{};
}

}  // namespace velmora
