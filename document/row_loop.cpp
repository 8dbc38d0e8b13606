#include "document/row_loop.h"

#include <algorithm>
#include <climits>

#include "velmora/newdibobject.h"

namespace velmora {

RowWindow::RowWindow(CNewDIBObject* image, RowOrder order)
    : m_pImage(image), m_order(order), m_nHeight(image ? image->GetHeight() : 0),
      m_nStride(image ? image->GetBytesPerLine() : 0) {}

bool RowWindow::Place(int row) {
    m_pRun = nullptr;
    m_nFirst = m_nCount = 0;
    if (!m_pImage || row < 0 || row >= m_nHeight) return false;
    int count = 0;
    BYTE* run = m_pImage->GetDIBBuffer(row, &count, m_order == RowOrder::BottomUp ? 1 : 0);
    if (!run || count <= 0) return false;
    m_pRun = run;
    m_nFirst = row;
    // A run never reaches past the image; trust that only as far as the height.
    m_nCount = std::min(count, m_nHeight - row);
    if (m_order == RowOrder::TopDown && m_nCount < count) {
        // The run's lowest address holds its last row; keep rows first.. of it.
        m_pRun += static_cast<size_t>(count - m_nCount) * m_nStride;
    }
    return true;
}

RowPiece RowWindow::Piece(int row, int limit) {
    RowPiece piece{row, 0, m_nStride, m_order, nullptr};
    if (limit <= 0 || (!Covers(row) && !Place(row))) return piece;
    int left = m_nFirst + m_nCount - row;
    piece.count = std::min(limit, left);
    if (m_order == RowOrder::BottomUp) {
        piece.lowest = m_pRun + static_cast<size_t>(row - m_nFirst) * m_nStride;
    } else {
        // Picture row t of the run lies at run + (first + count - 1 - t) * stride.
        int last = row + piece.count - 1;
        piece.lowest = m_pRun + static_cast<size_t>(m_nFirst + m_nCount - 1 - last) * m_nStride;
    }
    return piece;
}

BYTE* RowWindow::Row(int row) {
    RowPiece piece = Piece(row, 1);
    return piece.lowest;
}

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

RowLoop::RowLoop(CNewDIBObject* image, RowOrder order, StepProgress* progress)
    : m_window(image, order), m_pProgress(progress) {}

RowLoop::Result RowLoop::Run(const Transfer& transfer) {
    int limit = m_pProgress ? m_pProgress->Step() : INT_MAX;
    for (int row = 0; row < m_window.Height();) {
        RowPiece piece = m_window.Piece(row, limit);
        if (!piece.lowest) return kMapFailed;
        if (!transfer(piece)) return kStopped;
        if (m_pProgress) m_pProgress->Advance(piece.count);
        row += piece.count;
    }
    return kDone;
}

}  // namespace velmora
