// System figures: physical memory, allocation granularity and local time,
// each with a seam for tests.
#pragma once

#include <cstdint>

#include "velmora/wintypes.h"

// Total and available physical memory. Available is the kernel's MemAvailable;
// both are lowered to the cgroup's memory limit (less its usage) when one is set.
void GlobalMemoryStatus(MEMORYSTATUS* status);
// A memory limit for this process, 0 for none: the figures are lowered to it
// exactly as a control group's limit lowers them (total to the limit,
// available to the limit less the process's resident memory), so the
// library sizes its storage and row windows as it would in such a group.
void SetProcessMemoryLimit(uint64_t bytes);
uint64_t GetProcessMemoryLimit();
// Test seam: fixed figures until cleared.
void SetMemoryStatusOverride(uint64_t totalPhys, uint64_t availPhys);
void ClearMemoryStatusOverride();

// Every mapped view starts at a multiple of this (64 KiB).
uint32_t GetAllocationGranularity();

void GetLocalTime(SYSTEMTIME* time);
// Test seam: a fixed clock until cleared (null clears).
void SetLocalTimeOverride(const SYSTEMTIME* time);
