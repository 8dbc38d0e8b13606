// Every operator new of a test binary that links support/counted_new.cpp is
// counted: the bytes live and their peak, and one allocation can be made to fail.
#pragma once

#include <cstddef>

namespace vtest {

// Starts a measurement: the peak from now is what is live now.
void ResetPeak();
// Bytes allocated beyond what was live at ResetPeak, at their most.
size_t PeakSinceReset();

// The `n`th allocation from now throws std::bad_alloc (once); 0: none.
void FailAllocation(long n);
// Whether the allocation armed by FailAllocation has come.
bool AllocationFailed();

}  // namespace vtest
