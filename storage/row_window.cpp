// Runs of rows and single rows: in memory straight from the pixel block, in
// a page file through a row window that moves only when a request falls
// outside it.
#include "storage/dib_map_file.h"
#include "velmora/newdibobject.h"

BYTE* CNewDIBObject::GetDIBBuffer(int row, int* count, int bottomUp) {
    if (!count || row < 0 || row >= m_nHeight || !Ready()) return nullptr;
    const uint64_t stride = GetBytesPerLine();
    if (!m_bMapped) {
        *count = m_nHeight - row;
        return bottomUp ? m_pBits + static_cast<uint64_t>(row) * stride : m_pBits;
    }
    if (bottomUp) {
        // Storage row `row` is picture row d - 1.
        const int d = m_nHeight - row;
        const bool inWindow = m_nWinFirst < d && d <= m_nWinEnd;
        if (!inWindow && !PlaceWindowUp(row)) return nullptr;
        *count = d - m_nWinFirst;
        return m_pBits + static_cast<uint64_t>(m_nWinEnd - d) * stride;
    }
    const bool inWindow = m_nWinFirst <= row && row < m_nWinEnd;
    if (!inWindow && !PlaceWindowDown(row)) return nullptr;
    *count = m_nWinEnd - row;
    return m_pBits;
}

BYTE* CNewDIBObject::GetDIBRow(int row) {
    int count = 0;
    return GetDIBBuffer(row, &count, 1);
}

int CNewDIBObject::MapDIBBuffer(int row) {
    if (row < 0 || row >= m_nHeight || !Ready()) return 0;
    if (m_bMapped) return PlaceWindowNear(row) ? 1 : 0;
    // In memory the whole image is one window.
    m_nWinFirst = 0;
    m_nWinEnd = m_nHeight;
    m_nWinRows = m_nHeight;
    return 1;
}

BYTE* CNewDIBObject::PlaceWindowUp(int storageRow) {
    BYTE* rows = m_pMapFile->PlaceUp(storageRow);
    const int end = m_nHeight - storageRow;
    return RecordWindow(rows, end - static_cast<int>(m_pMapFile->WindowRows()), end);
}

BYTE* CNewDIBObject::PlaceWindowDown(int pictureRow) {
    BYTE* rows = m_pMapFile->PlaceDown(pictureRow);
    return RecordWindow(rows, pictureRow, pictureRow + static_cast<int>(m_pMapFile->WindowRows()));
}

BYTE* CNewDIBObject::PlaceWindowNear(int pictureRow) {
    BYTE* rows = m_pMapFile->PlaceNear(pictureRow);
    const int count = static_cast<int>(m_pMapFile->WindowRows());
    const int first = m_nHeight - static_cast<int>(m_pMapFile->WindowFirstRow()) - count;
    return RecordWindow(rows, first, first + count);
}

BYTE* CNewDIBObject::RecordWindow(BYTE* rows, int first, int end) {
    if (!rows) {
        ForgetWindow();
        return nullptr;
    }
    m_pBits = rows;
    ++m_nPlacements;
    m_nWinFirst = first;
    m_nWinEnd = end;
    m_nWinRows = end - first;
    return rows;
}

void CNewDIBObject::ForgetWindow() {
    ++m_nPlacements;
    m_pBits = nullptr;
    m_nWinRows = 0;
    m_nWinFirst = 0;
    m_nWinEnd = 0;
}

namespace {

// Where a view of storage rows [first, ...) starts: the rows' offset cut
// down to the mapping granularity, and how far into the view they begin.
struct ApartPlace {
    uint64_t base;
    uint64_t skip;
};

ApartPlace PlaceApart(uint64_t first, uint64_t stride, uint64_t granularity) {
    const uint64_t offset = first * stride;
    const uint64_t base = granularity ? offset / granularity * granularity : offset;
    return {base, offset - base};
}

}  // namespace

BYTE* CNewDIBObject::MapRowsApart(int first, int count) {
    if (!Ready() || first < 0 || count < 1 || count > m_nHeight - first) return nullptr;
    const uint64_t stride = GetBytesPerLine();
    if (!m_bMapped) return m_pBits + static_cast<uint64_t>(first) * stride;
    const ApartPlace place = PlaceApart(static_cast<uint64_t>(first), stride, m_pMapFile->GetGranularity());
    BYTE* view = m_pMapFile->MapRange(place.base, place.skip + static_cast<uint64_t>(count) * stride);
    return view ? view + place.skip : nullptr;
}

void CNewDIBObject::ReleaseRowsApart(BYTE* rows, int first, int count) {
    if (!rows || !m_bMapped) return;
    const uint64_t stride = GetBytesPerLine();
    const ApartPlace place = PlaceApart(static_cast<uint64_t>(first), stride, m_pMapFile->GetGranularity());
    CDIBMapFile::UnmapRange(rows - place.skip, place.skip + static_cast<uint64_t>(count) * stride);
}
