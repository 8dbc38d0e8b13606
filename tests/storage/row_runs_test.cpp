// Runs of rows from GetDIBBuffer and single rows from GetDIBRow, in memory
// and through row windows much smaller than the image.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "platform/file_mapping.h"
#include "storage/dib_map_file.h"
#include "tests/storage/storage_fixture.h"

namespace {

using vtest::kMiB;
using vtest::PageFileTest;
using vtest::ProbeDIB;
using vtest::RowMatches;

struct Shape {
    int width, height, bits;
    bool paged;
};

std::ostream& operator<<(std::ostream& os, const Shape& s) {
    return os << s.width << "x" << s.height << "x" << s.bits << (s.paged ? " paged" : " memory");
}

class RowRunTest : public PageFileTest, public ::testing::WithParamInterface<Shape> {
protected:
    void SetUp() override {
        const Shape& s = GetParam();
        if (!s.paged) SetImageUseMemSize(~0ul);
        ASSERT_EQ(m_dib.CreateDIB(s.width, s.height, s.bits), 1);
        ASSERT_EQ(m_dib.Mapped(), s.paged ? 1 : 0);
        vtest::FillImage(m_dib);
        m_stride = m_dib.GetBytesPerLine();
        m_height = m_dib.GetHeight();
    }

    // The plan a page-file image must have followed (2 MiB windows).
    velmora::WindowGeometry Geometry() const {
        velmora::WindowGeometry g;
        g.rows = static_cast<uint64_t>(m_height);
        g.stride = m_stride;
        g.totalBytes = g.rows * g.stride;
        g.windowBytes = 2 * kMiB;
        g.granularity = GetAllocationGranularity();
        return g;
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

    ProbeDIB m_dib;
    uint64_t m_stride = 0;
    int m_height = 0;
};

TEST_P(RowRunTest, StorageRowRunsCoverEveryRowOnceAndRecordTheirWindow) {
    ConsumeAll(1, INT_MAX, [&](int row, int count, BYTE* run, bool remapped) {
        if (!GetParam().paged) return;
        EXPECT_EQ(m_dib.WinFirst(), m_height - row - count);  // the run reaches the window's top
        if (!remapped) return;
        velmora::WindowPlan plan;
        ASSERT_TRUE(velmora::PlanUpFromStorageRow(Geometry(), row, &plan));
        EXPECT_EQ(static_cast<uint64_t>(count), plan.rows);
        EXPECT_EQ(m_dib.WinEnd(), m_height - row);
        EXPECT_EQ(m_dib.WinRows(), count);
        EXPECT_EQ(m_dib.Bits(), run);
    });
}

TEST_P(RowRunTest, PictureRowRunsCoverEveryRowOnceAndRecordTheirWindow) {
    ConsumeAll(0, INT_MAX, [&](int row, int count, BYTE* run, bool remapped) {
        if (!GetParam().paged) return;
        EXPECT_EQ(m_dib.WinEnd(), row + count);  // the run reaches the window's bottom
        EXPECT_EQ(m_dib.Bits(), run);
        if (!remapped) return;
        velmora::WindowPlan plan;
        ASSERT_TRUE(velmora::PlanDownFromPictureRow(Geometry(), row, &plan));
        EXPECT_EQ(static_cast<uint64_t>(count), plan.rows);
        EXPECT_EQ(m_dib.WinFirst(), row);
    });
}

// A consumer that takes fewer rows than offered asks again inside the same
// window; only leaving the window maps a new view.
TEST_P(RowRunTest, RequestsInsideTheWindowDoNotRemap) {
    for (int bottomUp : {1, 0}) {
        SCOPED_TRACE(bottomUp);
        const uint64_t windows = ConsumeAll(bottomUp, INT_MAX);
        EXPECT_EQ(ConsumeAll(bottomUp, 3), windows);
        EXPECT_EQ(windows > 1, GetParam().paged);
    }
}

TEST_P(RowRunTest, SingleRowsInAnyOrder) {
    // Rows from the ends and across the middle, jumping between windows.
    std::vector<int> rows = {0, m_height - 1, m_height / 2, 1, m_height - 2, m_height / 3, m_height / 2 + 1};
    for (int row : rows) {
        BYTE* p = m_dib.GetDIBRow(row);
        ASSERT_NE(p, nullptr) << row;
        EXPECT_TRUE(RowMatches(p, m_stride, row)) << row;
    }
    const uint64_t before = velmora::FileMappingViewCount();
    BYTE* a = m_dib.GetDIBRow(m_height / 2);
    BYTE* b = m_dib.GetDIBRow(m_height / 2 + 1);
    EXPECT_EQ(b, a + m_stride);  // the same window
    EXPECT_LE(velmora::FileMappingViewCount() - before, 1u);
    // The last row in either addressing is a run of one row.
    int count = 0;
    BYTE* top = m_dib.GetDIBBuffer(m_height - 1, &count, 1);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(RowMatches(top, m_stride, m_height - 1));
    BYTE* bottom = m_dib.GetDIBBuffer(m_height - 1, &count, 0);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(RowMatches(bottom, m_stride, 0));
}

TEST_P(RowRunTest, RowsOutsideTheImageGiveNothing) {
    for (int row : {-1, m_height, m_height + 5}) {
        int count = 42;
        EXPECT_EQ(m_dib.GetDIBBuffer(row, &count, 1), nullptr) << row;
        EXPECT_EQ(m_dib.GetDIBBuffer(row, &count, 0), nullptr) << row;
        EXPECT_EQ(count, 42);
        EXPECT_EQ(m_dib.GetDIBRow(row), nullptr) << row;
        EXPECT_EQ(m_dib.Map(row), 0) << row;
    }
    EXPECT_EQ(m_dib.GetDIBBuffer(0, nullptr, 1), nullptr);
    // The image stays usable.
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
        if (GetParam().paged) {
            velmora::WindowPlan plan;
            ASSERT_TRUE(velmora::PlanNearPictureRow(Geometry(), t, &plan));
            EXPECT_EQ(m_dib.WinFirst(), m_height - static_cast<int>(plan.firstRow + plan.rows));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, RowRunTest,
                         ::testing::Values(Shape{1000, 3000, 24, true},   // 3000-byte rows straddle steps
                                           Shape{4096, 1024, 8, true},    // rows aligned to the steps
                                           Shape{50000, 60, 32, true},    // rows wider than a step
                                           Shape{1000, 3000, 24, false},  // the same in memory
                                           Shape{77, 50, 4, false}));

TEST(RowRunsInMemory, RunsFromARowInBothAddressings) {
    vtest::ScopedSettings settings;
    SetImageUseMemSize(~0ul);
    CNewDIBObject dib;
    ASSERT_EQ(dib.CreateDIB(10, 100, 8), 1);
    BYTE* block = dib.GetGlobalDIBits();
    int count = 0;
    EXPECT_EQ(dib.GetDIBBuffer(5, &count, 1), block + 5 * 12);
    EXPECT_EQ(count, 95);
    count = 0;
    EXPECT_EQ(dib.GetDIBBuffer(5, &count, 0), block);
    EXPECT_EQ(count, 95);
    EXPECT_EQ(dib.GetDIBRow(7), block + 7 * 12);
}

}  // namespace
