#include "frame/row_loop.h"

#include <algorithm>
#include <climits>

#include "environment/texts.h"

namespace velmora {

StepProgress::StepProgress(ProgressReporter reporter, int height, int parts)
    : m_reporter(reporter), m_nHeight(height > 0 ? height : 0),
      m_nStep(static_cast<int>(m_nHeight / (parts > 0 ? parts : 1) + 1)) {}

void StepProgress::Advance(int rows) {
    m_nDone += rows;
    long long reached = m_nDone / m_nStep;
    if (reached > m_nLast) {
        m_nLast = reached;
        m_reporter.Step(StepPercent(static_cast<unsigned long long>(m_nDone), static_cast<unsigned long long>(m_nHeight)));
    }
}

void RowMarkProgress::Advance(int rows) {
    const long long first = m_nDone;
    m_nDone += rows;
    // The first mark past what was done before this piece.
    const long long mark = (first + 1 - m_nShift + m_nStep - 1) / m_nStep * m_nStep;
    if (mark <= m_nDone - m_nShift) m_reporter.Step(m_figure(mark, m_nHeight));
}

unsigned long RowMarkProgress::Percent(long long mark, long long height) {
    return StepPercent(static_cast<unsigned long long>(mark), static_cast<unsigned long long>(height));
}

RowLoop::RowLoop(CNewDIBObject* image, RowOrder order, StepProgress* progress)
    : m_walker(image, order), m_pProgress(progress) {}

Failure RowLoop::Run(const Transfer& transfer) {
    int limit = m_pProgress ? m_pProgress->Step() : INT_MAX;
    for (int row = 0; row < m_walker.Height();) {
        RowPiece piece = m_walker.Piece(row, limit);
        if (!piece.lowest) return text::kMapFailed;
        if (Failure failure = transfer(piece)) return failure;
        if (m_pProgress) m_pProgress->Advance(piece.count);
        row += piece.count;
    }
    return nullptr;
}

}  // namespace velmora
