// The step both window-by-window drawings take for each window.
#include "velmora/newdibobject.h"

int64_t CNewDIBObject::MapDrawBand(int64_t row, int64_t end, int64_t* below) {
    if (!MapDIBBuffer(static_cast<int>(row))) return 0;
    // k rows are available from `row` down to the window's end.
    const int64_t k = m_nWinEnd - row;
    if (k <= 0 || m_nWinFirst > row) return 0;
    const int64_t n = m_nWinEnd < end ? k : end - row;
    m_pBitmapInfo->bmiHeader.biHeight = m_nWinRows;
    *below = k - n;
    return n;
}
