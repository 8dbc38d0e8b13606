// The host's code that the library calls outside a call's own callbacks (a
// message box handler) runs through the thread's innermost HostCodeScope,
// which lends out what the call that reached it holds (the facade's image
// lock), so no lock is held while the host's code runs.
#pragma once

#include <functional>

namespace velmora {

using HostCodeRunner = std::function<void(const std::function<void()>& hostCode)>;

// Registers `runner` for this thread for the life of the object.
class HostCodeScope {
public:
    explicit HostCodeScope(HostCodeRunner runner);
    ~HostCodeScope();
    HostCodeScope(const HostCodeScope&) = delete;
    HostCodeScope& operator=(const HostCodeScope&) = delete;

private:
    HostCodeRunner m_runner;
};

// Runs `hostCode` through the innermost scope of this thread (directly without one).
void RunHostCode(const std::function<void()>& hostCode);

}  // namespace velmora
