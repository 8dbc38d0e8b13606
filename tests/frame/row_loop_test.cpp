// The row loop the codecs share: pieces, progress, both numberings, windows.
#include "frame/row_loop.h"

#include "environment/texts.h"

#include <gtest/gtest.h>

#include "codecs/image_fixture.h"

namespace {

using velmora::RowLoop;
using velmora::RowOrder;
using velmora::RowPiece;
using velmora::StepProgress;

struct Pieces {
    int height;
    bool progress;
    std::vector<WPARAM> steps;
    std::vector<int> pieces;
};

TEST(RowLoopProgress, PiecesOfAtMostStepRowsAndTheirSteps) {
    const Pieces cases[] = {{5, true, {20, 40, 60, 80, 100}, {1, 1, 1, 1, 1}},
                            {9, true, {11, 22, 33, 44, 55, 66, 77, 88, 100}, std::vector<int>(9, 1)},
                            // No step for the last row: 99 is the last value sent.
                            {100, true, {11, 22, 33, 44, 55, 66, 77, 88, 99}, {11, 11, 11, 11, 11, 11, 11, 11, 11, 1}},
                            {50, false, {}, {50}}};  // without progress, one piece
    for (const Pieces& c : cases) {
        vtest::RecordingWindow window;
        CNewDIB dib(4, c.height, 8);
        StepProgress progress(velmora::ProgressReporter(window.Handle()), c.height);
        std::vector<int> pieces;
        RowLoop loop(&dib, RowOrder::BottomUp, c.progress ? &progress : nullptr);
        EXPECT_EQ(loop.Run([&](const RowPiece& piece) {
            pieces.push_back(piece.count);
            return velmora::Failure(nullptr);
        }),
                  nullptr);
        EXPECT_EQ(window.Steps(), c.steps) << c.height << " rows";
        EXPECT_EQ(pieces, c.pieces) << c.height << " rows";
    }
}

TEST(RowLoop, StopsWhenTheTransferFailsAndFailsOnAnEmptyImage) {
    CNewDIB dib(4, 20, 8), released(4, 20, 8);
    StepProgress progress(velmora::ProgressReporter(nullptr), 20);
    int calls = 0;
    RowLoop loop(&dib, RowOrder::BottomUp, &progress);
    EXPECT_STREQ(loop.Run([&](const RowPiece&) { return ++calls < 2 ? nullptr : "stop"; }), "stop");
    EXPECT_EQ(calls, 2);
    released.ReleaseDIB();
    RowLoop none(&released, RowOrder::BottomUp, nullptr);
    EXPECT_EQ(none.Run([](const RowPiece&) { return velmora::Failure(nullptr); }), velmora::text::kMapFailed);
}

// Every row is visited once, in order, at the address GetDIBRow gives for it,
// in pieces that lie contiguous from their lowest address. With `marked`, the
// rows still hold what an earlier pass wrote (PNG's passes merge into rows).
void ExpectLoopAddressesEveryRow(CNewDIB& dib, RowOrder order, bool marked) {
    const int height = dib.GetHeight();
    StepProgress progress(velmora::ProgressReporter(nullptr), height);
    int next = 0;
    RowLoop loop(&dib, order, &progress);
    ASSERT_EQ(loop.Run([&](const RowPiece& piece) {
        EXPECT_EQ(piece.first, next);
        for (int k = 0; k < piece.count; ++k, ++next) {
            const int storageRow = order == RowOrder::BottomUp ? next : height - 1 - next;
            if (marked) {
                EXPECT_EQ(piece.Row(k)[0] | piece.Row(k)[1] << 8, storageRow);
            }
            piece.Row(k)[0] = static_cast<BYTE>(storageRow), piece.Row(k)[1] = static_cast<BYTE>(storageRow >> 8);
        }
        EXPECT_EQ(piece.lowest, order == RowOrder::BottomUp ? piece.Row(0) : piece.Row(piece.count - 1));
        return velmora::Failure(nullptr);
    }),
              nullptr);
    ASSERT_EQ(next, height);
    for (int r = 0; r < height; ++r) ASSERT_EQ(dib.GetDIBRow(r)[0] | dib.GetDIBRow(r)[1] << 8, r) << "storage row " << r;
}

TEST(RowLoopWindows, MemoryAndPageFileImagesAreAddressedInBothNumberings) {
    CNewDIB memory(10, 300, 8);
    vtest::PageFileMode mode;
    CNewDIB paged(1000, 2500, 24);  // 7.5 MB: several 2 MiB windows
    ASSERT_TRUE(paged.IsMapped());
    for (CNewDIB* dib : {&memory, &paged})
        for (RowOrder order : {RowOrder::BottomUp, RowOrder::TopDown})
            ExpectLoopAddressesEveryRow(*dib, order, order == RowOrder::TopDown);
}

TEST(RowWindowAccess, InterlacedPictureRowsReachTheirStorageRowsAcrossWindows) {
    vtest::PageFileMode mode;
    CNewDIB dib(2000, 1200, 24);
    ASSERT_TRUE(dib.IsMapped());
    const int height = dib.GetHeight();
    {
        velmora::RowWalker window(&dib, RowOrder::TopDown);
        // GIF's interlaced order: rows 0, 8, 16, ..., 4, 12, ..., 2, 6, ..., 1, 3, ...
        const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < height; y += step[pass]) {
                BYTE* row = window.Row(y);
                ASSERT_NE(row, nullptr);
                row[0] = static_cast<BYTE>(y), row[1] = static_cast<BYTE>(y >> 8);
            }
        EXPECT_EQ(window.Row(height), nullptr);
        EXPECT_EQ(window.Row(-1), nullptr);
    }
    for (int y = 0; y < height; ++y) {
        const BYTE* p = dib.GetDIBRow(height - 1 - y);
        ASSERT_EQ(p[0] | p[1] << 8, y);
    }
}

}  // namespace
