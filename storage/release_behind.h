// Which page-file windows an image larger than its memory share may drop
// from the cache. A window just left is written back at once; it is dropped
// once a newer window has been left since and the window being placed does
// not reach into it. A front-to-back walk thus drops each window one window
// later, while a walk that alternates between two places (a vertical flip
// swaps rows from both ends) keeps both until it moves on, instead of
// reading each back from the disk.
#pragma once

#include <cstdint>

namespace velmora {

struct ByteRange {
    uint64_t base = 0;
    uint64_t length = 0;

    bool Empty() const { return length == 0; }
    bool Meets(const ByteRange& o) const { return base < o.base + o.length && o.base < base + length; }
    bool operator==(const ByteRange& o) const { return base == o.base && length == o.length; }
};

class ReleaseBehind {
public:
    // The walk leaves `window`. Returns a range to drop now (or an empty one)
    // when more windows wait than are kept.
    ByteRange Left(const ByteRange& window);
    // The walk places `window`. Calls drop(range) for each waiting window,
    // other than the one last left, that `window` does not reach into.
    template <class Drop>
    void Placing(const ByteRange& window, Drop&& drop) {
        for (int i = 1; i < kKept; ++i)
            if (!m_waiting[i].Empty() && !m_waiting[i].Meets(window)) {
                drop(m_waiting[i]);
                m_waiting[i] = ByteRange{};
            }
        Compact();
    }
    void Forget() { *this = ReleaseBehind{}; }

private:
    static constexpr int kKept = 3;
    void Compact();
    ByteRange m_waiting[kKept];  // most recently left first
};

}  // namespace velmora
