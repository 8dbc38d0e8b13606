#include "storage/row_walker.h"

#include <climits>
#include <cstring>

namespace velmora {

RowWalker::RowWalker(CNewDIBObject* image, RowOrder order)
    : m_pImage(image), m_order(order), m_nHeight(image ? image->GetHeight() : 0),
      m_nStride(image ? image->GetBytesPerLine() : 0) {}

bool RowWalker::Covers(int row) const {
    return m_pRun && row >= m_nFirst && row < m_nFirst + m_nCount &&
           m_nPlacement == m_pImage->GetPlacementCount();
}

bool RowWalker::Place(int row) {
    m_pRun = nullptr;
    m_nFirst = m_nCount = 0;
    if (!m_pImage || row < 0 || row >= m_nHeight) return false;
    int count = 0;
    BYTE* run = m_pImage->GetDIBBuffer(row, &count, m_order == RowOrder::BottomUp ? 1 : 0);
    if (!run || count <= 0) return false;
    m_pRun = run;
    m_nFirst = row;
    m_nPlacement = m_pImage->GetPlacementCount();
    // A run never reaches past the image; trust that only as far as the height.
    m_nCount = std::min(count, m_nHeight - row);
    if (m_order == RowOrder::TopDown && m_nCount < count) {
        // The run's lowest address holds its last row; keep rows first.. of it.
        m_pRun += static_cast<size_t>(count - m_nCount) * m_nStride;
    }
    return true;
}

RowPiece RowWalker::Piece(int row, int limit) {
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

BYTE* RowWalker::Row(int row) { return Piece(row, 1).lowest; }

PieceApart::PieceApart(CNewDIBObject& image, const RowPiece& piece)
    : m_image(image), m_piece(piece),
      m_nLowestRow(piece.order == RowOrder::BottomUp ? piece.first : image.GetHeight() - piece.first - piece.count) {
    m_piece.lowest = m_image.MapRowsApart(m_nLowestRow, m_piece.count);
}

PieceApart::~PieceApart() { m_image.ReleaseRowsApart(m_piece.lowest, m_nLowestRow, m_piece.count); }

bool CopyRowsOut(CNewDIBObject& image, int first, int count, BYTE* out) {
    return WalkRows(image, RowOrder::BottomUp, first, first + count, INT_MAX, [&](const RowPiece& piece) {
        std::memcpy(out + static_cast<size_t>(piece.first - first) * piece.stride, piece.lowest, piece.Bytes());
        return true;
    });
}

bool CopyRowsIn(CNewDIBObject& image, int first, int count, const BYTE* in) {
    return WalkRows(image, RowOrder::BottomUp, first, first + count, INT_MAX, [&](const RowPiece& piece) {
        std::memcpy(piece.lowest, in + static_cast<size_t>(piece.first - first) * piece.stride, piece.Bytes());
        return true;
    });
}

}  // namespace velmora
