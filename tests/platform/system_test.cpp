// Physical-memory figures and local time, real and through their test seams.
#include "velmora/system.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

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

// In a memory group of 64 MiB that has just read 96 MiB of a file, most of
// what the group uses is file cache the kernel takes back on demand: the
// available figure counts it. Needs a writable cgroup v1 memory hierarchy
// (root on most machines); skipped elsewhere.
TEST(MemoryStatus, AGroupFullOfFileCacheStillHasMemoryAvailable) {
    const std::string group = "/sys/fs/cgroup/memory/velmora-test-" + std::to_string(getpid());
    if (mkdir(group.c_str(), 0755) != 0) GTEST_SKIP() << "no writable cgroup v1 memory hierarchy";
    vtest::TempDir dir;
    const std::string file = dir.file("cache.bin");
    {
        std::ofstream out(file, std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 96; ++i) out << block;
    }
    // Out of the cache, so that the child's reading charges its own group.
    const int fd = open(file.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
    std::ofstream(group + "/memory.limit_in_bytes") << (64 << 20);
    const pid_t child = fork();
    if (child == 0) {
        std::ofstream(group + "/cgroup.procs") << getpid();
        std::ifstream in(file, std::ios::binary);
        std::vector<char> buffer(1 << 20);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {}
        MEMORYSTATUS status{};
        GlobalMemoryStatus(&status);
        _exit(status.dwTotalPhys == (64u << 20) && status.dwAvailPhys > (16u << 20) ? 0 : 1);
    }
    int wait = -1;
    waitpid(child, &wait, 0);
    rmdir(group.c_str());
    EXPECT_TRUE(WIFEXITED(wait) && WEXITSTATUS(wait) == 0);
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
