// Window placements and the window size rule, as pure arithmetic.
#include <gtest/gtest.h>

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
void ExpectSoundPlan(const WindowGeometry& g, const WindowPlan& p, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(p.base % kG, 0u);
    EXPECT_LE(p.base + p.length, g.totalBytes);
    EXPECT_LE(p.length, g.windowBytes);
    EXPECT_EQ(p.base + p.skip, p.firstRow * g.stride);
    EXPECT_LT(p.skip, g.stride > 0 ? std::max(g.stride, kG) : 1);
    EXPECT_GE(p.rows, 1u);
    EXPECT_LE(p.skip + p.rows * g.stride, p.length);
    EXPECT_GT(p.skip + (p.rows + 1) * g.stride, p.length);
    EXPECT_LE(p.firstRow + p.rows, g.rows);
}

// Geometries: stride below, equal to and above the granularity, windows much
// smaller than the image, barely one row, and larger than the image.
std::vector<WindowGeometry> Geometries() {
    return {Geo(3000, 3000, 2 * kMiB), Geo(700, 65536, 2 * kMiB), Geo(50, 200000, 200000 + kG),
            Geo(1000, 12, 5 * kG + 7), Geo(400, 3000, 64 * kMiB), Geo(1, 4, kG + 4)};
}

TEST(WindowPlan, UpFromStorageRowStartsAtTheRowForEveryRow) {
    for (const WindowGeometry& g : Geometries()) {
        for (uint64_t r = 0; r < g.rows; r++) {
            WindowPlan p;
            ASSERT_TRUE(velmora::PlanUpFromStorageRow(g, static_cast<int64_t>(r), &p));
            EXPECT_EQ(p.firstRow, r);
            ExpectSoundPlan(g, p, "up s=" + std::to_string(g.stride) + " r=" + std::to_string(r));
            // The window runs as far as W or the end of the file allows.
            EXPECT_EQ(p.length, std::min(g.windowBytes, g.totalBytes - p.base));
        }
    }
}

TEST(WindowPlan, DownFromPictureRowEndsWithThatRowOnTop) {
    for (const WindowGeometry& g : Geometries()) {
        for (uint64_t t = 0; t < g.rows; t++) {
            WindowPlan p;
            ASSERT_TRUE(velmora::PlanDownFromPictureRow(g, static_cast<int64_t>(t), &p));
            ExpectSoundPlan(g, p, "down s=" + std::to_string(g.stride) + " t=" + std::to_string(t));
            // The top row of the run is picture row t (storage row R - 1 - t).
            EXPECT_EQ(p.firstRow + p.rows, g.rows - t);
            EXPECT_EQ(p.base + p.length, (g.rows - t) * g.stride);
        }
    }
}

TEST(WindowPlan, NearPictureRowHoldsThatRow) {
    for (const WindowGeometry& g : Geometries()) {
        for (uint64_t t = 0; t < g.rows; t++) {
            WindowPlan p;
            ASSERT_TRUE(velmora::PlanNearPictureRow(g, static_cast<int64_t>(t), &p));
            ExpectSoundPlan(g, p, "near s=" + std::to_string(g.stride) + " t=" + std::to_string(t));
            const uint64_t storageRow = g.rows - 1 - t;
            EXPECT_LE(p.firstRow, storageRow);
            EXPECT_LT(storageRow, p.firstRow + p.rows);
        }
    }
}

TEST(WindowPlan, WorkedExamplesAcrossAWindowBoundary) {
    const WindowGeometry g = Geo(3000, 3000, 2 * kMiB);  // 9,000,000 bytes
    WindowPlan p;
    // Up from storage row 1000: offset 3,000,000 lies 50,880 bytes past the
    // boundary 2,949,120 (45 steps).
    ASSERT_TRUE(velmora::PlanUpFromStorageRow(g, 1000, &p));
    EXPECT_EQ(p.base, 2949120u);
    EXPECT_EQ(p.skip, 50880u);
    EXPECT_EQ(p.length, 2097152u);
    EXPECT_EQ(p.rows, 682u);
    // The last row: the window is cut at the end of the file.
    ASSERT_TRUE(velmora::PlanUpFromStorageRow(g, 2999, &p));
    EXPECT_EQ(p.base, 8978432u);
    EXPECT_EQ(p.length, 21568u);
    EXPECT_EQ(p.rows, 1u);
    // Down from picture row 0: the end is 9,000,000; base = ((9,000,000 -
    // 2,097,152) / 65,536 + 1) * 65,536 = 6,946,816.
    ASSERT_TRUE(velmora::PlanDownFromPictureRow(g, 0, &p));
    EXPECT_EQ(p.base, 6946816u);
    EXPECT_EQ(p.firstRow, 2316u);
    EXPECT_EQ(p.skip, 2316u * 3000u - 6946816u);
    EXPECT_EQ(p.rows, 684u);
    // Down from the bottom picture row: the window starts at offset 0.
    ASSERT_TRUE(velmora::PlanDownFromPictureRow(g, 2999, &p));
    EXPECT_EQ(p.base, 0u);
    EXPECT_EQ(p.rows, 1u);
    // Near picture row 0 (end 9,000,000 > W): same base as down, but the
    // length is W, cut at the end of the file.
    ASSERT_TRUE(velmora::PlanNearPictureRow(g, 0, &p));
    EXPECT_EQ(p.base, 6946816u);
    EXPECT_EQ(p.length, 9000000u - 6946816u);
    // Near a low picture row whose end fits in W: from offset 0.
    ASSERT_TRUE(velmora::PlanNearPictureRow(g, 2500, &p));
    EXPECT_EQ(p.base, 0u);
    EXPECT_EQ(p.length, 2097152u);
    EXPECT_EQ(p.rows, 699u);
}

TEST(WindowSizeRule, ExplicitSizeIsCutToTheGranularityAndRaisedToTheFloor) {
    // total 64 MiB: F = 2 MiB.
    EXPECT_EQ(velmora::WindowBytesRule(64 * kMiB, 32 * kMiB, kG, 1, 5 * kMiB + 100, 0, 3000), 5 * kMiB);
    EXPECT_EQ(velmora::WindowBytesRule(64 * kMiB, 32 * kMiB, kG, 1, 1 * kMiB, 0, 3000), 2 * kMiB);
}

TEST(WindowSizeRule, AutomaticSizeFollowsTheShareOfAvailableMemory) {
    // D below F: F.
    EXPECT_EQ(velmora::WindowBytesRule(64 * kMiB, 1 * kMiB, kG, 1, 0, 0, 3000), 2 * kMiB);
    // D above F + 2 MiB: D - 2 MiB, with D = 40 MiB / 4.
    EXPECT_EQ(velmora::WindowBytesRule(64 * kMiB, 40 * kMiB, kG, 4, 0, 0, 3000), 8 * kMiB);
    // Available memory is cut to the granularity before it is shared.
    EXPECT_EQ(velmora::WindowBytesRule(64 * kMiB, 40 * kMiB + kG - 1, kG, 4, 0, 0, 3000), 8 * kMiB);
    // Within 2 MiB above F: the previous value, or F when there is none.
    EXPECT_EQ(velmora::WindowBytesRule(64 * kMiB, 3 * kMiB, kG, 1, 0, 7 * kMiB, 3000), 7 * kMiB);
    EXPECT_EQ(velmora::WindowBytesRule(64 * kMiB, 3 * kMiB, kG, 1, 0, 0, 3000), 2 * kMiB);
    // A divisor of 0 counts as 1.
    EXPECT_EQ(velmora::WindowBytesRule(64 * kMiB, 40 * kMiB, kG, 0, 0, 0, 3000), 38 * kMiB);
}

TEST(WindowSizeRule, NeverBelowOneRowPlusOneStep) {
    // Tiny memory figures and a wide row: the window still holds a row.
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
    // Figures beyond 32 bits do not wrap.
    EXPECT_EQ(velmora::PageFileThreshold(0, 2, 256ull << 30, 100ull << 30), 50ull << 30);
}

TEST(PageFileThreshold, LoadImageNumbersBelowOneCountAsOne) {
    EXPECT_EQ(velmora::PageFileThreshold(0, 0, 64 * kMiB, 16 * kMiB), 16 * kMiB);
    EXPECT_EQ(velmora::PageFileThreshold(0, -3, 64 * kMiB, 16 * kMiB), 16 * kMiB);
}

}  // namespace
