// The row loop the codecs share: pieces, progress, both numberings, windows.
#include "document/row_loop.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "codecs/image_fixture.h"
#include "velmora/newdib.h"

namespace {

using velmora::RowLoop;
using velmora::RowOrder;
using velmora::RowPiece;
using velmora::RowWindow;
using velmora::StepProgress;

// Runs the loop over an image of `height` rows in memory and returns the
// step messages sent and the piece sizes.
std::vector<WPARAM> StepsFor(int height, std::vector<int>* pieces) {
    vtest::RecordingWindow window;
    CNewDIB dib(4, height, 8);
    StepProgress progress(velmora::ProgressReporter(window.Handle()), height);
    RowLoop loop(&dib, RowOrder::BottomUp, &progress);
    EXPECT_EQ(loop.Run([&](const RowPiece& piece) {
        pieces->push_back(piece.count);
        return true;
    }),
              RowLoop::kDone);
    return window.Steps();
}

TEST(RowLoopProgress, FiveRowsGoInFivePiecesWithFiveSteps) {
    std::vector<int> pieces;
    EXPECT_EQ(StepsFor(5, &pieces), (std::vector<WPARAM>{20, 40, 60, 80, 100}));
    EXPECT_EQ(pieces, (std::vector<int>{1, 1, 1, 1, 1}));
}

TEST(RowLoopProgress, NineRowsSendNineSteps) {
    std::vector<int> pieces;
    EXPECT_EQ(StepsFor(9, &pieces), (std::vector<WPARAM>{11, 22, 33, 44, 55, 66, 77, 88, 100}));
}

TEST(RowLoopProgress, HundredRowsGoInPiecesOfElevenAndSendNoStepForTheLastRow) {
    std::vector<int> pieces;
    EXPECT_EQ(StepsFor(100, &pieces), (std::vector<WPARAM>{11, 22, 33, 44, 55, 66, 77, 88, 99}));
    EXPECT_EQ(pieces, (std::vector<int>{11, 11, 11, 11, 11, 11, 11, 11, 11, 1}));
}

TEST(RowLoopProgress, WithoutProgressTheWholeRunIsOnePiece) {
    CNewDIB dib(4, 50, 8);
    std::vector<int> pieces;
    RowLoop loop(&dib, RowOrder::TopDown, nullptr);
    loop.Run([&](const RowPiece& piece) {
        pieces.push_back(piece.count);
        return true;
    });
    EXPECT_EQ(pieces, std::vector<int>{50});
}

TEST(RowLoop, StopsWhenTheTransferFailsAndFailsOnAnEmptyImage) {
    CNewDIB dib(4, 20, 8);
    StepProgress progress(velmora::ProgressReporter(nullptr), 20);
    int calls = 0;
    RowLoop loop(&dib, RowOrder::BottomUp, &progress);
    EXPECT_EQ(loop.Run([&](const RowPiece&) { return ++calls < 2; }), RowLoop::kStopped);
    EXPECT_EQ(calls, 2);

    CNewDIB released(4, 20, 8);
    released.ReleaseDIB();
    RowLoop none(&released, RowOrder::BottomUp, nullptr);
    EXPECT_EQ(none.Run([](const RowPiece&) { return true; }), RowLoop::kMapFailed);
}

// Every row visited once, in order, at the address the storage gives for it,
// without a piece crossing a window.
void ExpectLoopAddressesEveryRow(CNewDIB& dib, RowOrder order) {
    int height = dib.GetHeight();
    StepProgress progress(velmora::ProgressReporter(nullptr), height);
    std::vector<int> visited;
    RowLoop loop(&dib, order, &progress);
    RowLoop::Result result = loop.Run([&](const RowPiece& piece) {
        for (int k = 0; k < piece.count; ++k) {
            int row = piece.first + k;
            int storageRow = order == RowOrder::BottomUp ? row : height - 1 - row;
            // Mark the row with its number; checked through GetDIBRow below.
            BYTE* p = piece.Row(k);
            p[0] = static_cast<BYTE>(storageRow);
            p[1] = static_cast<BYTE>(storageRow >> 8);
            visited.push_back(row);
        }
        // The piece is contiguous from its lowest address.
        EXPECT_EQ(piece.lowest, order == RowOrder::BottomUp ? piece.Row(0) : piece.Row(piece.count - 1));
        return true;
    });
    ASSERT_EQ(result, RowLoop::kDone);
    ASSERT_EQ(static_cast<int>(visited.size()), height);
    for (int i = 0; i < height; ++i) ASSERT_EQ(visited[i], i);
    for (int r = 0; r < height; ++r) {
        BYTE* p = dib.GetDIBRow(r);
        ASSERT_EQ(p[0] | p[1] << 8, r & 0xFFFF) << "storage row " << r;
    }
}

TEST(RowLoopWindows, PageFileImageIsWalkedWindowByWindowInBothNumberings) {
    vtest::PageFileMode mode;
    CNewDIB dib(1000, 2500, 24);  // 7.5 MB: several 2 MiB windows
    ASSERT_TRUE(dib.Ready());
    ASSERT_TRUE(dib.IsMapped());
    ExpectLoopAddressesEveryRow(dib, RowOrder::BottomUp);
    ExpectLoopAddressesEveryRow(dib, RowOrder::TopDown);
}

TEST(RowLoopWindows, MemoryImageIsAddressedInBothNumberings) {
    CNewDIB dib(10, 300, 8);
    ExpectLoopAddressesEveryRow(dib, RowOrder::BottomUp);
    ExpectLoopAddressesEveryRow(dib, RowOrder::TopDown);
}

// GIF's interlaced order: rows 0, 8, 16, ..., 4, 12, ..., 2, 6, ..., 1, 3, ...
std::vector<int> InterlacedOrder(int height) {
    std::vector<int> rows;
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
    return rows;
}

TEST(RowWindowAccess, InterlacedPictureRowsReachTheirStorageRowsAcrossWindows) {
    vtest::PageFileMode mode;
    CNewDIB dib(2000, 1200, 24);
    ASSERT_TRUE(dib.IsMapped());
    int height = dib.GetHeight();
    {
        RowWindow window(&dib, RowOrder::TopDown);
        for (int y : InterlacedOrder(height)) {
            BYTE* row = window.Row(y);
            ASSERT_NE(row, nullptr);
            row[0] = static_cast<BYTE>(y), row[1] = static_cast<BYTE>(y >> 8);
        }
        EXPECT_EQ(window.Row(height), nullptr);
        EXPECT_EQ(window.Row(-1), nullptr);
    }
    for (int y = 0; y < height; ++y) {
        BYTE* p = dib.GetDIBRow(height - 1 - y);
        ASSERT_EQ(p[0] | p[1] << 8, y);
    }
}

TEST(RowWindowAccess, PassesThatRevisitRowsSeeWhatEarlierPassesWrote) {
    // PNG's passes merge into rows already written: each pass reads a row
    // back before it adds to it.
    vtest::PageFileMode mode;
    CNewDIB dib(2000, 1000, 24);
    ASSERT_TRUE(dib.IsMapped());
    for (int pass = 0; pass < 3; ++pass) {
        RowLoop loop(&dib, RowOrder::TopDown, nullptr);
        ASSERT_EQ(loop.Run([&](const RowPiece& piece) {
            for (int k = 0; k < piece.count; ++k) {
                BYTE* p = piece.Row(k);
                if (pass == 0) p[0] = 0;
                p[0] = static_cast<BYTE>(p[0] + 1);
            }
            return true;
        }),
                  RowLoop::kDone);
    }
    for (int r = 0; r < dib.GetHeight(); ++r) ASSERT_EQ(dib.GetDIBRow(r)[0], 3) << r;
}

}  // namespace
