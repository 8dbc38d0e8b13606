// The row loop every codec moves pixel rows with. An image in a page file
// maps only a window of its rows at a time, so a codec never addresses the
// whole image from one pointer: it takes the rows piece by piece (RowLoop) or
// row by row in any order (RowWindow), always through GetDIBBuffer.
//
// Two numberings (see CNewDIBObject::GetDIBBuffer):
//   RowOrder::BottomUp  rows are storage rows, 0 = bottom row of the picture;
//                       files that store the bottom row first (BMP, and TIFF
//                       walked from its last strip) use it.
//   RowOrder::TopDown   rows are picture rows, 0 = top row; files that store
//                       the top row first (JPEG, PCX, PNG, GIF) use it.
#pragma once

#include <cstddef>
#include <functional>

#include "document/progress.h"
#include "velmora/wintypes.h"

class CNewDIBObject;

namespace velmora {

enum class RowOrder { BottomUp, TopDown };

// Rows first .. first + count - 1 (in the loop's numbering) of one window.
// Valid until the next row request on the image.
struct RowPiece {
    int first;
    int count;
    size_t stride;
    RowOrder order;
    // The piece's lowest address: row `first` when BottomUp, row
    // first + count - 1 when TopDown. The piece is count * stride bytes from
    // here, so a file that stores rows in the piece's memory order can be
    // moved with one transfer.
    BYTE* lowest;

    // Address of row first + k.
    BYTE* Row(int k) const {
        size_t index = order == RowOrder::BottomUp ? static_cast<size_t>(k) : static_cast<size_t>(count - 1 - k);
        return lowest + index * stride;
    }
    size_t Bytes() const { return static_cast<size_t>(count) * stride; }
};

// Single rows in any order (interlaced GIF rows, PNG passes, TIFF strips),
// remapping only when a row lies outside the current window. It assumes it is
// the image's only row user while it lives: any other row request on the
// image (pixel access, block copies, another RowWindow) invalidates it.
class RowWindow {
public:
    RowWindow(CNewDIBObject* image, RowOrder order);

    // Address of `row`, or null when no window can be placed (or the row lies
    // outside the image). Valid until the next call.
    BYTE* Row(int row);
    // The rows from `row` to the end of its window, at most `limit` of them;
    // count 0 and a null `lowest` when no window can be placed.
    RowPiece Piece(int row, int limit);

    int Height() const { return m_nHeight; }
    size_t Stride() const { return m_nStride; }
    RowOrder Order() const { return m_order; }

private:
    bool Covers(int row) const { return m_pRun && row >= m_nFirst && row < m_nFirst + m_nCount; }
    bool Place(int row);

    CNewDIBObject* m_pImage;
    RowOrder m_order;
    int m_nHeight;
    size_t m_nStride;
    BYTE* m_pRun = nullptr;  // lowest address of the current run
    int m_nFirst = 0;
    int m_nCount = 0;
};

// Progress while rows move: step = height / parts + 1 rows; after each piece,
// when done / step passes the last value sent, DIBM_STEPPROGRESS carries
// done * 100 / height. About `parts` messages whatever the window size.
// Codecs whose format sends other figures derive and override Advance.
class StepProgress {
public:
    StepProgress(ProgressReporter reporter, int height, int parts = 10);
    virtual ~StepProgress() = default;

    // Rows per piece: the loop never moves more between two tests.
    int Step() const { return m_nStep; }
    // `rows` more rows were moved.
    virtual void Advance(int rows);

    const ProgressReporter& Reporter() const { return m_reporter; }

protected:
    ProgressReporter m_reporter;
    long long m_nHeight;
    int m_nStep;
    long long m_nDone = 0;
    long long m_nLast = 0;
};

// Visits every row of an image once, first row to last in the chosen
// numbering, in pieces of at most progress.Step() rows that never cross a
// window, and advances the progress after each piece.
class RowLoop {
public:
    enum Result {
        kDone,       // every row was visited
        kMapFailed,  // a window could not be placed (record "获得DIB映射区失败")
        kStopped     // the transfer returned false (the codec records why)
    };
    // Moves one piece; false stops the loop.
    using Transfer = std::function<bool(const RowPiece&)>;

    RowLoop(CNewDIBObject* image, RowOrder order, StepProgress* progress);

    Result Run(const Transfer& transfer);

private:
    RowWindow m_window;
    StepProgress* m_pProgress;
};

}  // namespace velmora
