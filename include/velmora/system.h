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

// The system's error number (errno) behind the library's last failure on
// this thread to open, create, read, write or rename a file or make a page
// file, or 0. ReadFile and SaveFile start it at 0, so after one fails it is
// that failure's system reason, or 0 when there was none (damaged data, a
// depth the format cannot hold). strerror() gives its text.
int GetLastSystemError();

void GetLocalTime(SYSTEMTIME* time);
// Test seam: a fixed clock until cleared (null clears).
void SetLocalTimeOverride(const SYSTEMTIME* time);
