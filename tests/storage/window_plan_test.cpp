// Window placements and the window size rule, as pure arithmetic.
#include <gtest/gtest.h>

#include <vector>

#include "storage/dib_map_file.h"
#include "storage/storage_mode.h"

using velmora::WindowGeometry;
using velmora::WindowPlan;

namespace {

constexpr uint64_t kG = 65536;
constexpr uint64_t kMiB = 1024 * 1024;

WindowGeometry Geo(uint64_t rows, uint64_t stride, uint64_t window) {
    WindowGeometry g;
    g.rows = rows;
    g.stride = stride;
    g.totalBytes = rows * stride;
    g.windowBytes = window;
    g.granularity = kG;
    return g;
}

// What holds for every plan: aligned, inside the file and the window bytes,
// at least one whole row, and no further whole row would fit.
void ExpectSoundPlan(const WindowGeometry& g, const WindowPlan& p) {
    EXPECT_EQ(p.base % kG, 0u);
    EXPECT_LE(p.base + p.length, g.totalBytes);
    EXPECT_LE(p.length, g.windowBytes);
    EXPECT_EQ(p.base + p.skip, p.firstRow * g.stride);
    EXPECT_LT(p.skip, std::max(g.stride, kG));
    EXPECT_GE(p.rows, 1u);
    EXPECT_LE(p.skip + p.rows * g.stride, p.length);
    EXPECT_GT(p.skip + (p.rows + 1) * g.stride, p.length);
    EXPECT_LE(p.firstRow + p.rows, g.rows);
}

// For every row of geometries whose stride is below, equal to and above the
// granularity, with windows much smaller than the image, barely one row, and
// larger than the image: each placement is sound and holds the row it is for.
TEST(WindowPlan, EveryPlacementOfEveryRowIsSoundAndHoldsItsRow) {
    for (const WindowGeometry& g : {Geo(3000, 3000, 2 * kMiB), Geo(700, 65536, 2 * kMiB), Geo(50, 200000, 200000 + kG),
                                    Geo(1000, 12, 5 * kG + 7), Geo(400, 3000, 64 * kMiB), Geo(1, 4, kG + 4)}) {
        for (uint64_t r = 0; r < g.rows; r++) {
            SCOPED_TRACE(testing::Message() << "stride " << g.stride << ", row " << r);
            const int64_t row = static_cast<int64_t>(r);
            WindowPlan up, down, near;
            ASSERT_TRUE(velmora::PlanUpFromStorageRow(g, row, &up));
            ASSERT_TRUE(velmora::PlanDownFromPictureRow(g, row, &down));
            ASSERT_TRUE(velmora::PlanNearPictureRow(g, row, &near));
            for (const WindowPlan& p : {up, down, near}) ExpectSoundPlan(g, p);
            // Up starts at storage row r and runs as far as W or the file allows.
            EXPECT_EQ(up.firstRow, r);
            EXPECT_EQ(up.length, std::min(g.windowBytes, g.totalBytes - up.base));
            // Down ends with picture row r (storage row R - 1 - r) on top.
            EXPECT_EQ(down.firstRow + down.rows, g.rows - r);
            EXPECT_EQ(down.base + down.length, (g.rows - r) * g.stride);
            // Near holds picture row r.
            EXPECT_LE(near.firstRow, g.rows - 1 - r);
            EXPECT_LT(g.rows - 1 - r, near.firstRow + near.rows);
        }
    }
}

// 3000 rows of 3000 bytes (9,000,000) through 2 MiB windows; each plan as
// {base, length, skip, firstRow, rows}.
TEST(WindowPlan, WorkedExamplesAcrossAWindowBoundary) {
    const WindowGeometry g = Geo(3000, 3000, 2 * kMiB);
    auto plan = [&](bool (*place)(const WindowGeometry&, int64_t, WindowPlan*), int64_t row) {
        WindowPlan p;
        EXPECT_TRUE(place(g, row, &p));
        return std::vector<uint64_t>{p.base, p.length, p.skip, p.firstRow, p.rows};
    };
    using V = std::vector<uint64_t>;
    // Up from storage row 1000: offset 3,000,000 lies 50,880 bytes past the
    // boundary 2,949,120 (45 steps).
    EXPECT_EQ(plan(velmora::PlanUpFromStorageRow, 1000), (V{2949120, 2097152, 50880, 1000, 682}));
    // The last row: the window is cut at the end of the file.
    EXPECT_EQ(plan(velmora::PlanUpFromStorageRow, 2999), (V{8978432, 21568, 18568, 2999, 1}));
    // Down from picture row 0: the end is 9,000,000; base = ((9,000,000 -
    // 2,097,152) / 65,536 + 1) * 65,536 = 6,946,816.
    EXPECT_EQ(plan(velmora::PlanDownFromPictureRow, 0), (V{6946816, 2053184, 1184, 2316, 684}));
    // Down from the bottom picture row: the window starts at offset 0.
    EXPECT_EQ(plan(velmora::PlanDownFromPictureRow, 2999), (V{0, 3000, 0, 0, 1}));
    // Near picture row 0 (end 9,000,000 > W): the base of down, the length W
    // cut at the end of the file.
    EXPECT_EQ(plan(velmora::PlanNearPictureRow, 0), (V{6946816, 2053184, 1184, 2316, 684}));
    // Near a low picture row whose end fits in W: from offset 0.
    EXPECT_EQ(plan(velmora::PlanNearPictureRow, 2500), (V{0, 2097152, 0, 0, 699}));
}

TEST(WindowSizeRule, FollowsTheExplicitSizeOrTheShareOfAvailableMemory) {
    // Total memory 64 MiB, so the floor F is 2 MiB; rows of 3000 bytes.
    auto rule = [](uint64_t available, int divisor, uint64_t explicitSize, uint64_t previous) {
        return velmora::WindowBytesRule(64 * kMiB, available, kG, divisor, explicitSize, previous, 3000);
    };
    EXPECT_EQ(rule(32 * kMiB, 1, 5 * kMiB + 100, 0), 5 * kMiB);  // explicit: cut to the granularity
    EXPECT_EQ(rule(32 * kMiB, 1, 1 * kMiB, 0), 2 * kMiB);        // explicit: raised to F
    EXPECT_EQ(rule(1 * kMiB, 1, 0, 0), 2 * kMiB);                // D below F: F
    EXPECT_EQ(rule(40 * kMiB, 4, 0, 0), 8 * kMiB);               // D above F + 2 MiB: D - 2 MiB
    EXPECT_EQ(rule(40 * kMiB + kG - 1, 4, 0, 0), 8 * kMiB);      // available cut to the granularity first
    EXPECT_EQ(rule(3 * kMiB, 1, 0, 7 * kMiB), 7 * kMiB);         // within 2 MiB above F: the previous value
    EXPECT_EQ(rule(3 * kMiB, 1, 0, 0), 2 * kMiB);                // ... or F when there is none
    EXPECT_EQ(rule(40 * kMiB, 0, 0, 0), 38 * kMiB);              // a divisor of 0 counts as 1
    // Tiny memory figures and a wide row: the window still holds one row plus one step.
    EXPECT_EQ(velmora::WindowBytesRule(1024, 0, kG, 1, 0, 0, 500000), 500000 + kG);
    EXPECT_EQ(velmora::WindowBytesRule(1024, 0, kG, 1, 4096, 0, 500000), 500000 + kG);
}

TEST(PageFileThreshold, SharesAvailableMemoryWithAFloorOfOneThirtySecond) {
    const uint64_t total = 64 * kMiB;
    EXPECT_EQ(velmora::PageFileThreshold(0, 1, total, 16 * kMiB), 16 * kMiB);
    EXPECT_EQ(velmora::PageFileThreshold(0, 4, total, 16 * kMiB), 4 * kMiB);
    EXPECT_EQ(velmora::PageFileThreshold(0, 1, total, 1 * kMiB), 2 * kMiB);
    EXPECT_EQ(velmora::PageFileThreshold(3 * kMiB, 1, total, 60 * kMiB), 3 * kMiB);
    EXPECT_EQ(velmora::PageFileThreshold(1 * kMiB, 1, total, 60 * kMiB), 2 * kMiB);
    // 0 counts as one; a negative number divides as a huge unsigned one,
    // which leaves the floor, for the threshold and the window alike.
    EXPECT_EQ(velmora::PageFileThreshold(0, 0, total, 16 * kMiB), 16 * kMiB);
    EXPECT_EQ(velmora::PageFileThreshold(0, -3, total, 16 * kMiB), 2 * kMiB);
    EXPECT_EQ(velmora::PageFileThreshold(0, -1, 256ull << 30, 200ull << 30), 8ull << 30);
    EXPECT_EQ(velmora::WindowDivisor(0), 1u);
    EXPECT_EQ(velmora::WindowDivisor(-1), 0xFFFFFFFFu);
    // Figures beyond 32 bits do not wrap.
    EXPECT_EQ(velmora::PageFileThreshold(0, 2, 256ull << 30, 100ull << 30), 50ull << 30);
}

}  // namespace
