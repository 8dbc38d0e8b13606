// One short-lived second thread for work the calling thread can also do
// itself (halves of a large block). Nothing on it sends messages or runs the
// host's code. A thread the system refuses (std::system_error, or no memory
// for it) or work that ends by an exception never ends the process: the
// caller is told and does the work itself.
#pragma once

#include <functional>
#include <thread>

namespace velmora {

// Whether the machine is likely to have a core to spare (asked once).
bool SpareCoreLikely();

class HelperThread {
public:
    HelperThread() = default;
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;
    ~HelperThread() { Join(); }

    // Starts `work`; false, nothing started, when no thread can be had.
    bool Start(std::function<void()> work);
    // Waits for the work; true when it was started and ran to its end.
    bool Join();

private:
    std::thread m_thread;
    bool m_finished = false;
};

// Test seam: the next `count` starts fail as a refused thread would.
void RefuseHelperThreads(int count);

}  // namespace velmora
