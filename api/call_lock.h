// One call at a time on one image, and lent out while the host's code runs.
//
// A call holds its image's lock from start to end, so no call moves a row
// window or turns the image under another. The host's code (a progress
// handler, a rows visit) runs with the lock lent out: released completely
// and taken back at the same depth afterwards, so a handler that waits for
// another thread using the image does not wait forever. Meanwhile other
// threads' reading calls run (the library asks for its rows again after
// every host call); their changing calls (turns, flips, writes) wait until
// every lending call of other threads has ended, so nothing changes an image
// under a save or a visit. Calls from the handler's own thread run as they
// would without it.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::api {

enum class Use { read, change };

class CallLock {
public:
    void Lock(Use use);
    void Unlock();
    // Releases every level this thread holds (nothing when it holds none);
    // the depth to give TakeBack.
    int Lend();
    void TakeBack(int depth);
    // Whether this thread is inside a call that holds or has lent the lock.
    bool InCallOnThisThread();

private:
    bool MayEnter(std::thread::id self, Use use) const;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread::id m_owner;
    int m_depth = 0;
    // One entry per lend not yet taken back, naming its thread.
    std::vector<std::thread::id> m_lenders;
    // Lenders waiting to take the lock back go before new calls, so a
    // stream of another thread's calls cannot hold a save up for good.
    int m_returning = 0;
};

// The lock held for the length of a call (nothing without a lock).
class CallHold {
public:
    CallHold(CallLock* lock, Use use) : m_lock(lock) {
        if (m_lock) m_lock->Lock(use);
    }
    ~CallHold() {
        if (m_lock) m_lock->Unlock();
    }
    CallHold(const CallHold&) = delete;
    CallHold& operator=(const CallHold&) = delete;

private:
    CallLock* m_lock;
};

// The lock lent out for the length of the host's code.
class LentOut {
public:
    explicit LentOut(CallLock* lock) : m_lock(lock), m_depth(lock ? lock->Lend() : 0) {}
    ~LentOut() {
        if (m_lock) m_lock->TakeBack(m_depth);
    }
    LentOut(const LentOut&) = delete;
    LentOut& operator=(const LentOut&) = delete;

private:
    CallLock* m_lock;
    int m_depth;
};

}  // namespace velmora::api
