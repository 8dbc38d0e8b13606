// Runs of rows from GetDIBBuffer and single rows from GetDIBRow, in memory
// and through row windows much smaller than the image.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "platform/file_mapping.h"
#include "storage/dib_map_file.h"
#include "tests/storage/storage_fixture.h"

namespace {

using vtest::RowMatches;

struct Shape {
    int width, height, bits;
    bool paged;
};

std::ostream& operator<<(std::ostream& os, const Shape& s) {
    return os << s.width << "x" << s.height << "x" << s.bits << (s.paged ? " paged" : " memory");
}

class RowRunTest : public vtest::PageFileTest, public ::testing::WithParamInterface<Shape> {
protected:
    void SetUp() override {
        const Shape& s = GetParam();
        Create(m_dib, s.width, s.height, s.bits, s.paged);
        vtest::FillImage(m_dib);
        m_stride = m_dib.GetBytesPerLine();
        m_height = m_dib.GetHeight();
        m_geometry = {static_cast<uint64_t>(m_height), m_stride, m_height * m_stride, 2 * vtest::kMiB,
                      static_cast<uint64_t>(GetAllocationGranularity())};
    }

    using RunCheck = std::function<void(int row, int count, BYTE* run, bool remapped)>;

    // Consumes every row through runs in one addressing, taking at most
    // `take` rows of each run; checks each row's bytes and that every row
    // comes exactly once, and shows each run to `check`. Every sweep starts
    // from the same window. Returns the views mapped during the sweep.
    uint64_t ConsumeAll(int bottomUp, int take, const RunCheck& check = {}) {
        m_dib.GetDIBRow(m_height / 2);
        const uint64_t start = velmora::FileMappingViewCount();
        std::vector<int> seen(static_cast<size_t>(m_height), 0);
        for (int row = 0; row < m_height;) {
            int count = 0;
            const uint64_t views = velmora::FileMappingViewCount();
            BYTE* run = m_dib.GetDIBBuffer(row, &count, bottomUp);
            if (!run || count < 1 || row + count > m_height) {
                ADD_FAILURE() << "run at row " << row << ": " << count << " rows";
                return 0;
            }
            if (check) check(row, count, run, velmora::FileMappingViewCount() != views);
            const int taken = std::min(count, take);
            for (int k = 0; k < taken; k++) {
                // Picture runs hold their rows top-down from the last one in memory.
                const int storage = bottomUp ? row + k : m_height - 1 - (row + k);
                const BYTE* p = run + (bottomUp ? k : count - 1 - k) * m_stride;
                if (!RowMatches(p, m_stride, storage)) {
                    ADD_FAILURE() << "wrong bytes in row " << row + k;
                    return 0;
                }
                seen[static_cast<size_t>(row + k)]++;
            }
            row += taken;
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), m_height);
        return velmora::FileMappingViewCount() - start;
    }

    vtest::ProbeDIB m_dib;
    uint64_t m_stride = 0;
    int m_height = 0;
    velmora::WindowGeometry m_geometry;  // the plan a page-file image follows (2 MiB windows)
};

// Runs in both addressings cover every row once; a new window is the one the
// formulas place and is recorded in picture rows; a consumer that takes fewer
// rows than offered asks again inside the same window, and only leaving the
// window maps a new view.
TEST_P(RowRunTest, RunsCoverEveryRowOnceFromTheirRecordedWindowsWithoutNeedlessRemapping) {
    for (int bottomUp : {1, 0}) {
        SCOPED_TRACE(bottomUp ? "storage rows" : "picture rows");
        const uint64_t windows = ConsumeAll(bottomUp, INT_MAX, [&](int row, int count, BYTE* run, bool remapped) {
            if (!GetParam().paged) return;
            // The run reaches the window's top (storage rows) or bottom (picture rows).
            EXPECT_EQ(bottomUp ? m_dib.WinFirst() : m_dib.WinEnd(), bottomUp ? m_height - row - count : row + count);
            if (remapped || !bottomUp) {
                EXPECT_EQ(m_dib.Bits(), run);
            }
            if (!remapped) return;
            velmora::WindowPlan plan;
            ASSERT_TRUE(bottomUp ? velmora::PlanUpFromStorageRow(m_geometry, row, &plan)
                                 : velmora::PlanDownFromPictureRow(m_geometry, row, &plan));
            EXPECT_EQ(static_cast<uint64_t>(count), plan.rows);
            EXPECT_EQ(bottomUp ? m_dib.WinEnd() : m_dib.WinFirst(), bottomUp ? m_height - row : row);
            EXPECT_EQ(m_dib.WinRows(), count);
        });
        EXPECT_EQ(ConsumeAll(bottomUp, 3), windows);
        EXPECT_EQ(windows > 1, GetParam().paged);
    }
}

// Rows outside the image give nothing and leave the image usable; the last
// row in either addressing is a run of one row.
TEST_P(RowRunTest, RowsOutsideTheImageGiveNothingAndTheLastRowIsARunOfOne) {
    for (int row : {-1, m_height, m_height + 5}) {
        int count = 42;
        EXPECT_EQ(m_dib.GetDIBBuffer(row, &count, 1), nullptr) << row;
        EXPECT_EQ(m_dib.GetDIBBuffer(row, &count, 0), nullptr) << row;
        EXPECT_EQ(count, 42);
        EXPECT_EQ(m_dib.GetDIBRow(row), nullptr) << row;
        EXPECT_EQ(m_dib.Map(row), 0) << row;
    }
    EXPECT_EQ(m_dib.GetDIBBuffer(0, nullptr, 1), nullptr);
    for (int bottomUp : {1, 0}) {
        int count = 0;
        BYTE* last = m_dib.GetDIBBuffer(m_height - 1, &count, bottomUp);
        ASSERT_NE(last, nullptr);
        EXPECT_EQ(count, 1);
        EXPECT_TRUE(RowMatches(last, m_stride, bottomUp ? m_height - 1 : 0));
    }
    EXPECT_TRUE(RowMatches(m_dib.GetDIBRow(3), m_stride, 3));
}

TEST_P(RowRunTest, DrawingWindowHoldsTheRequestedPictureRow) {
    for (int t : {0, 1, m_height / 3, m_height / 2, m_height - 2, m_height - 1}) {
        ASSERT_EQ(m_dib.Map(t), 1) << t;
        EXPECT_LE(m_dib.WinFirst(), t);
        EXPECT_LT(t, m_dib.WinEnd());
        EXPECT_EQ(m_dib.WinRows(), m_dib.WinEnd() - m_dib.WinFirst());
        // The window's lowest row in memory is picture row WinEnd - 1.
        EXPECT_TRUE(RowMatches(m_dib.Bits(), m_stride, m_height - m_dib.WinEnd())) << t;
        if (!GetParam().paged) continue;
        velmora::WindowPlan plan;
        ASSERT_TRUE(velmora::PlanNearPictureRow(m_geometry, t, &plan));
        EXPECT_EQ(m_dib.WinFirst(), m_height - static_cast<int>(plan.firstRow + plan.rows));
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, RowRunTest,
                         ::testing::Values(Shape{1000, 3000, 24, true},   // 3000-byte rows straddle steps
                                           Shape{4096, 1024, 8, true},    // rows aligned to the steps
                                           Shape{50000, 60, 32, true},    // rows wider than a step
                                           Shape{1000, 3000, 24, false},  // the same in memory
                                           Shape{77, 50, 4, false}));

}  // namespace
