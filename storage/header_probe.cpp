#include "storage/header_probe.h"

#include "storage/storage_mode.h"

namespace velmora {

namespace {
thread_local ProbedImage* g_probed = nullptr;  // the innermost live probe's
}  // namespace

HeaderProbe::HeaderProbe() : m_previous(g_probed) { g_probed = &m_result; }

HeaderProbe::~HeaderProbe() { g_probed = m_previous; }

bool TakenByHeaderProbe(int width, int height, int bitCount, uint64_t bytes) {
    if (!g_probed || g_probed->seen) return false;
    *g_probed = ProbedImage{true, width, height, bitCount, ShouldUsePageFile(bytes)};
    return true;
}

}  // namespace velmora
