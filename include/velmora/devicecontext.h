// A memory device context: a 32-bit surface that DIBs are drawn on.
//
// The three drawing calls behave as the Windows graphics device interface
// defines them for bottom-up DIBs (BI_RGB, 1, 2, 4, 8, 16 (5-5-5), 24 and 32
// bits; colour tables as DIB_RGB_COLORS): source coordinates count from the
// bottom row of the DIB, destination coordinates from the top-left of the
// surface. Stretching is always nearest-pixel (COLORONCOLOR), whatever mode is
// set. Raster operations: SRCCOPY and SRCAND. Everything is clipped to the
// surface and to the rows and columns the bits hold; a negative extent mirrors.
#pragma once

#include "velmora/wintypes.h"

class CNewDIB;

// Sets the stretch mode (BLACKONWHITE .. HALFTONE); returns the previous mode,
// 0 for a null dc or an unknown mode.
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);

// Copies w x h pixels of the DIB unscaled. (xSrc, ySrc) is the lower-left
// corner of the source rectangle, ySrc counted from the bottom row; the bits
// hold `scanLines` rows starting at scan `startScan`, and the header's
// biHeight is the number of rows of the whole DIB. Returns the number of scan
// lines set (scanLines, limited to the rows the DIB has past startScan), 0 on
// failure (null dc, bits or info, an unsupported format or colour use).
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT colorUse);
// Stretches the source rectangle ((xSrc, ySrc) its lower-left corner, ySrc
// counted from the bottom row) into the destination rectangle. Returns the
// number of scan lines copied, the source height; 0 on failure (as above, a
// zero source extent or an unsupported raster operation).
int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);

// Memory device contexts. The surface is width x height pixels, all `fill`
// (host order, red in the low byte) to begin with. Null when a side is not
// positive or the surface would be too large.
constexpr int kMaxSurfaceSide = 65536;
HDC CreateMemoryDC(int width, int height, COLORREF fill);
void DeleteMemoryDC(HDC dc);
int GetDCWidth(HDC dc);
int GetDCHeight(HDC dc);
// The colour of a surface pixel in host order (red low); CLR_INVALID outside.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF GetDCPixel(HDC dc, int x, int y);
// The surface itself: rows top first, width pixels each, every pixel
// 0x00RRGGBB (blue in the low byte, as a 32-bit DIB holds it). Valid until the
// dc is deleted.
const DWORD* GetDCSurface(HDC dc);

// How many drawing calls reached the dc since it was made or last reset, so a
// caller can see how a drawing was split.
struct DeviceCallCounts {
    unsigned long setDIBitsToDevice = 0;
    unsigned long stretchDIBits = 0;
};
DeviceCallCounts GetDeviceCallCounts(HDC dc);
void ResetDeviceCallCounts(HDC dc);

// Makes `dib` a 24-bit image of the surface (rows filled window by window, so
// it may be a page-file image). Returns 1, or 0 when the dc is null or the
// image cannot be created.
int CopySurfaceToDIB(HDC dc, CNewDIB* dib);

// The framework's device context: wraps an HDC, and deletes a memory device
// context it created itself.
class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : m_hDC(dc) {}
    ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Replaces what the object holds with a new memory device context.
    BOOL CreateMemoryDC(int width, int height, COLORREF fill);
    // Deletes the memory device context this object created, if any.
    void DeleteDC();
    BOOL Attach(HDC dc);
    HDC Detach();
    HDC GetSafeHdc() const { return m_hDC; }
    COLORREF GetPixel(int x, int y) const { return GetDCPixel(m_hDC, x, y); }

    HDC m_hDC = nullptr;

private:
    bool m_bOwnsDC = false;
};
