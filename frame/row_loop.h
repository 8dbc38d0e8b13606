// The row loop every codec moves pixel rows with: every row of the image
// once, first to last in the file's numbering, in pieces that never cross a
// row window, with a progress step after each piece. The rows themselves
// come from the storage's walker (storage/row_walker.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>

#include "frame/codec_frame.h"
#include "frame/progress.h"
#include "storage/row_walker.h"

namespace velmora {

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

// Progress of formats that send a step on marked rows, as a reader that
// moves one row at a time does: the marks are the multiples of Step(),
// counted either as rows done (a step once that many rows are done) or as
// row numbers from 0 (a step once that row is done, row 0 included). The
// step carries figure(mark, height) and is sent after the piece holding the
// mark, so the same figures go out whatever the row windows cut the pieces
// into (a piece holds at most one mark).
class RowMarkProgress final : public StepProgress {
public:
    enum Marks { kRowsDone, kRowNumbers };
    using Figure = unsigned long (*)(long long mark, long long height);

    RowMarkProgress(ProgressReporter reporter, int height, int parts, Marks marks, Figure figure)
        : StepProgress(reporter, height, parts), m_nShift(marks == kRowNumbers ? 1 : 0), m_figure(figure) {}

    void Advance(int rows) override;
    // mark * 100 / height: the share of the rows the mark stands for.
    static unsigned long Percent(long long mark, long long height);

private:
    long long m_nShift;
    Figure m_figure;
};

// Visits every row of an image once, first row to last in the chosen
// numbering, in pieces of at most progress.Step() rows that never cross a
// window, and advances the progress after each piece. A progress message may
// move the window; the next piece is asked for afresh, so no address is kept
// across one.
class RowLoop {
public:
    // Moves one piece: null to go on, else the failure text that stops the loop.
    using Transfer = std::function<Failure(const RowPiece&)>;

    RowLoop(CNewDIBObject* image, RowOrder order, StepProgress* progress);

    // Null when every row was visited; "获得DIB映射区失败" when a window could
    // not be placed; else the text the transfer stopped with.
    Failure Run(const Transfer& transfer);

private:
    RowWalker m_walker;
    StepProgress* m_pProgress;
};

// Rows a codec's own buffer of rows of `rowBytes` holds (file rows before
// conversion): what fits in kRowBufferBytes, at least one, at most a piece
// (`step`), so the buffer stays small whatever the image's size or windows.
constexpr size_t kRowBufferBytes = size_t{1} << 20;
inline int BufferRows(size_t rowBytes, int step) {
    const size_t fit = rowBytes ? kRowBufferBytes / rowBytes : kRowBufferBytes;
    return static_cast<int>(std::max<size_t>(1, std::min<size_t>(fit, static_cast<size_t>(step))));
}

// Calls move(first, count) for the `count` rows of a piece in runs of at most
// `chunk`; stops at the first failure.
template <class Move>
Failure ForEachRun(int count, int chunk, Move&& move) {
    for (int first = 0; first < count; first += chunk)
        if (Failure failure = move(first, std::min(chunk, count - first))) return failure;
    return nullptr;
}

}  // namespace velmora
