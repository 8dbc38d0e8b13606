#include "platform/host_code.h"

#include <vector>

namespace velmora {

namespace {

thread_local std::vector<const HostCodeRunner*> t_runners;

}  // namespace

HostCodeScope::HostCodeScope(HostCodeRunner runner) : m_runner(std::move(runner)) { t_runners.push_back(&m_runner); }

HostCodeScope::~HostCodeScope() { t_runners.pop_back(); }

void RunHostCode(const std::function<void()>& hostCode) {
    if (t_runners.empty()) hostCode();
    else (*t_runners.back())(hostCode);
}

}  // namespace velmora
