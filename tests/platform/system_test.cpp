// Physical-memory figures and local time, real and through their test seams.
#include "velmora/system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/test_support.h"

namespace {

MEMORYSTATUS MemoryStatus() {
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    return status;
}

TEST(MemoryStatus, RealFiguresAreSaneAndTheOverrideComesThroughWhole) {
    const MEMORYSTATUS real = MemoryStatus();
    EXPECT_GT(real.dwTotalPhys, 0u);
    EXPECT_LE(real.dwAvailPhys, real.dwTotalPhys);
    EXPECT_LE(real.dwMemoryLoad, 100u);
    GlobalMemoryStatus(nullptr);
    {
        vtest::ScopedMemoryFigures figures(64ull << 20, 48ull << 20);
        EXPECT_EQ(MemoryStatus().dwTotalPhys, 64ull << 20);
        EXPECT_EQ(MemoryStatus().dwAvailPhys, 48ull << 20);
        EXPECT_EQ(MemoryStatus().dwMemoryLoad, 25u);
        SetMemoryStatusOverride(96ull << 30, 80ull << 30);  // beyond 32 bits
        EXPECT_EQ(MemoryStatus().dwTotalPhys, 96ull << 30);
    }
    EXPECT_EQ(MemoryStatus().dwTotalPhys, real.dwTotalPhys);
    EXPECT_EQ(GetAllocationGranularity(), 65536u);
}

// A process limit caps the figures as a memory group's limit would: the total
// to the limit, what is available to the limit less what the process holds.
TEST(MemoryStatus, AProcessLimitCapsTheFiguresLikeAMemoryGroup) {
    const MEMORYSTATUS real = MemoryStatus();
    SetProcessMemoryLimit(256ull << 20);
    const MEMORYSTATUS capped = MemoryStatus();
    SetProcessMemoryLimit(0);
    EXPECT_EQ(capped.dwTotalPhys, std::min<uint64_t>(real.dwTotalPhys, 256ull << 20));
    EXPECT_LT(capped.dwAvailPhys, 256ull << 20);  // the test process itself holds some
    EXPECT_EQ(MemoryStatus().dwTotalPhys, real.dwTotalPhys);
}

TEST(LocalTime, RealClockAndOverride) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    EXPECT_GE(now.wYear, 2024);
    EXPECT_TRUE(now.wMonth >= 1 && now.wMonth <= 12 && now.wHour <= 23 && now.wMilliseconds < 1000);
    {
        vtest::ScopedClock clock(13, 14, 15);
        SYSTEMTIME fixed{};
        GetLocalTime(&fixed);
        EXPECT_EQ(fixed.wHour, 13);
        EXPECT_EQ(fixed.wMinute, 14);
        EXPECT_EQ(fixed.wSecond, 15);
        EXPECT_EQ(fixed.wYear, 2026);
    }
    GetLocalTime(&now);
    EXPECT_GE(now.wYear, 2024);
}

}  // namespace
