// CNewDIBObject::SwapStorage: lets a transform build a new image beside the
// document and then put it in the document's place. Only what belongs to the
// pixel storage moves; transparency and the share count stay with the object.
#include <utility>

#include "velmora/newdibobject.h"

void CNewDIBObject::SwapStorage(CNewDIBObject& other) {
    std::swap(m_nWidth, other.m_nWidth);
    std::swap(m_nHeight, other.m_nHeight);
    std::swap(m_nBitCount, other.m_nBitCount);
    std::swap(m_nBytesPerLine, other.m_nBytesPerLine);
    std::swap(m_pBitmapInfo, other.m_pBitmapInfo);
    std::swap(m_bMapped, other.m_bMapped);
    std::swap(m_pMapFile, other.m_pMapFile);
    std::swap(m_pBits, other.m_pBits);
    std::swap(m_nWinRows, other.m_nWinRows);
    std::swap(m_nWinFirst, other.m_nWinFirst);
    std::swap(m_nWinEnd, other.m_nWinEnd);
    std::swap(m_strMapFile, other.m_strMapFile);
    std::swap(m_pWholeView, other.m_pWholeView);
}
