// The process memory limit shared between threads. Under a limit
// (SetProcessMemoryLimit), every pixel block kept in memory and every page-file
// row window is entered here with its bytes before it is used, so threads that
// create images at the same moment do not each count on the same free memory.
// Without a limit nothing is entered and every call grants what is asked.
#pragma once

#include <cstdint>

namespace velmora {

// The limit less what is entered; UINT64_MAX without a limit.
uint64_t BudgetFree();

// Enters `bytes` for `owner` (a pixel block's address) when they fit; false
// (nothing entered) when they do not. Always true without a limit.
bool ReserveBudget(const void* owner, uint64_t bytes);

// The bytes a row window of `owner` may map: `wanted` when it fits, else what
// is free (half of it while other owners hold memory, so they are not shut
// out), never below `minimum`. When not even `minimum` is free it waits for
// other threads to give memory back, for at most `maxWaitMs`, then gives 0;
// when no other thread holds any, it grants `minimum` past the limit.
// The grant is entered for `owner` until ReleaseBudget.
uint64_t GrantWindowBudget(const void* owner, uint64_t wanted, uint64_t minimum, int maxWaitMs = 3000);

// Gives back everything entered for `owner`.
void ReleaseBudget(const void* owner);

// Bytes entered in all (for tests).
uint64_t BudgetReserved();

}  // namespace velmora
