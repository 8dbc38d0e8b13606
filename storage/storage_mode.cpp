// The threshold between memory and page-file storage.
#include "storage/storage_mode.h"

#include <algorithm>

#include "storage/memory_budget.h"
#include "velmora/environment.h"
#include "velmora/system.h"

namespace velmora {

uint64_t WindowDivisor(int loadImageNumber) {
    // The setter stores any value. The number divides as an unsigned 32-bit
    // value, so a negative one is a huge divisor that leaves every image the
    // floor; 0 would divide by zero and counts as 1.
    return loadImageNumber == 0 ? 1 : static_cast<uint64_t>(static_cast<uint32_t>(loadImageNumber));
}

uint64_t PageFileThreshold(uint64_t useMemSize, int loadImageNumber, uint64_t totalPhys, uint64_t availPhys) {
    uint64_t threshold = useMemSize != 0 ? useMemSize : availPhys / WindowDivisor(loadImageNumber);
    return std::max(threshold, totalPhys / 32);
}

bool ShouldUsePageFile(uint64_t dataSize) {
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    // Under a process limit, memory other threads have taken but not yet
    // touched is not available either.
    const uint64_t avail = std::min<uint64_t>(status.dwAvailPhys, BudgetFree());
    return dataSize >= PageFileThreshold(GetImageUseMemSize(), GetLoadImageNumber(), status.dwTotalPhys, avail);
}

}  // namespace velmora
