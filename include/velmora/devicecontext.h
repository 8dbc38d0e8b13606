// A memory device context: a 32-bit surface that DIBs are drawn on.
#pragma once

#include "velmora/wintypes.h"

int SetStretchBltMode(HDC dc, int mode);
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT colorUse);
int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);

class CDC {
public:
    HDC GetSafeHdc() const { return m_hDC; }
    HDC m_hDC = nullptr;
};
