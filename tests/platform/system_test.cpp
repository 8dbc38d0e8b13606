#include "velmora/system.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(MemoryStatus, RealFiguresAreSane) {
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    EXPECT_GT(status.dwTotalPhys, 0u);
    EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
    EXPECT_LE(status.dwMemoryLoad, 100u);
    GlobalMemoryStatus(nullptr);
}

TEST(MemoryStatus, OverrideSeam) {
    MEMORYSTATUS real{};
    GlobalMemoryStatus(&real);
    {
        vtest::ScopedMemoryFigures figures(64ull << 20, 48ull << 20);
        MEMORYSTATUS status{};
        GlobalMemoryStatus(&status);
        EXPECT_EQ(status.dwTotalPhys, 64ull << 20);
        EXPECT_EQ(status.dwAvailPhys, 48ull << 20);
        EXPECT_EQ(status.dwMemoryLoad, 25u);
        // Figures beyond 32 bits come through whole.
        SetMemoryStatusOverride(96ull << 30, 80ull << 30);
        GlobalMemoryStatus(&status);
        EXPECT_EQ(status.dwTotalPhys, 96ull << 30);
    }
    MEMORYSTATUS after{};
    GlobalMemoryStatus(&after);
    EXPECT_EQ(after.dwTotalPhys, real.dwTotalPhys);
}

TEST(SystemInfo, AllocationGranularity) { EXPECT_EQ(GetAllocationGranularity(), 65536u); }

TEST(LocalTime, RealClockAndOverride) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    EXPECT_GE(now.wYear, 2024);
    EXPECT_GE(now.wMonth, 1);
    EXPECT_LE(now.wMonth, 12);
    EXPECT_LE(now.wHour, 23);
    EXPECT_LT(now.wMilliseconds, 1000);
    {
        vtest::ScopedClock clock(13, 14, 15);
        SYSTEMTIME fixed{};
        GetLocalTime(&fixed);
        EXPECT_EQ(fixed.wHour, 13);
        EXPECT_EQ(fixed.wMinute, 14);
        EXPECT_EQ(fixed.wSecond, 15);
        EXPECT_EQ(fixed.wYear, 2026);
    }
    SYSTEMTIME later{};
    GetLocalTime(&later);
    EXPECT_GE(later.wYear, 2024);
}

}  // namespace
