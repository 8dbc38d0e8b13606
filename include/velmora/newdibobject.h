// CNewDIBObject: one bottom-up DIB held in memory or in a page file that is
// mapped a window of rows at a time.
#pragma once

#include "velmora/carray.h"
#include "velmora/cstring.h"
#include "velmora/wintypes.h"

class CDIBMapFile;
class CDC;

class CNewDIBObject {
public:
    CNewDIBObject();
    virtual ~CNewDIBObject();

    CNewDIBObject(const CNewDIBObject&) = delete;
    CNewDIBObject& operator=(const CNewDIBObject&) = delete;

    // Storage.
    int CreateDIB(int width, int height, int bitCount);
    void ReleaseDIB();
    int CopyDIBObject(CNewDIBObject* src);
    int Ready();
    int GetWidth() { return m_nWidth; }
    int GetHeight() { return m_nHeight; }
    int GetBitCount() { return m_nBitCount; }
    unsigned long GetBytesPerLine();
    unsigned long GetDIBSize();
    BITMAPINFO* GetBitmapInfo();
    void SetMapParameter(const char* name, unsigned long count);

    // A run of rows. bottomUp != 0: `row` is a storage row and the result is
    // its address, the run going up in memory. bottomUp == 0: `row` is a
    // picture row (0 = top) and the result is the lowest row of the run in
    // memory, picture row row + *count - 1. Valid until the next row request.
    BYTE* GetDIBBuffer(int row, int* count, int bottomUp);
    // Address of storage row `row`; null beyond the image in page-file mode.
    BYTE* GetDIBRow(int row);
    // Changes whenever addresses handed out before may have become invalid
    // (a row window placed or dropped, storage created, released or
    // exchanged). A caller holding a row address across code it does not
    // control (a progress message) compares it to know the address still holds.
    unsigned long long GetPlacementCount() const { return m_nPlacements; }
    // The whole pixel data as one block (page-file mode: a view of the whole file).
    BYTE* GetGlobalDIBits();
    void ReleaseGlobalDIBits();
    BYTE* GetDIBits();

    // Pixel access; y is a storage row (0 = bottom).
    BYTE* GetDIBits(int, int, int) { return nullptr; }
    int GetPixelIndex(int x, int y);
    int SetPixelIndex(int x, int y, int index);
    unsigned long GetPixelRGB(int x, int y);
    int SetPiexlRGB(int x, int y, unsigned long color);
    int MatchRGBIndex(unsigned long color);
    int GetPaletteSize();

    // Drawing; source y values are picture rows.
    int DrawDIB(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                unsigned long rop);
    int BltDIB(HDC dc, int xDest, int yDest, int w, int h, int xSrc, int ySrc);
    int StretchDIB(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                   unsigned long rop);
    int ScrollDIB(HDC dc, int dx, int dy);
    void RefreshFactor();

    // Transparency.
    void Transparent(int on) { m_bTransed = on; }
    int IsTransed() { return m_bTransed; }
    void AddTransClr(unsigned long color);
    void ClearTransClr();
    CDWordArray* GetTransClrs() { return &m_TransClrs; }
    int GetTransClrs(unsigned long* colors);
    void SetTransShowColor(unsigned long color) { m_clrTransShow = static_cast<COLORREF>(color); }
    unsigned long GetTransShowColor() { return m_clrTransShow; }
    void ShowColorValid(int on) { m_bShowColorValid = on; }
    int IsShowColorValid() { return m_bShowColorValid; }

protected:
    // Places a row window near picture row `row` for drawing; 0 when none.
    int MapDIBBuffer(int row);
    // Exchanges pixel storage (header, rows, page file, window) with `other`.
    void SwapStorage(CNewDIBObject& other);

    int m_nWidth;
    int m_nHeight;
    int m_nBitCount;
    int m_nBytesPerLine;
    BITMAPINFO* m_pBitmapInfo;
    CDWordArray m_TransClrs;
    int m_bTransed;
    int m_bMapped;
    CDIBMapFile* m_pMapFile;
    BYTE* m_pBits;
    int m_nWinRows;
    int m_nWinFirst;
    int m_nWinEnd;
    CString m_strMapFile;
    DWORD m_nShareCount;
    BYTE* m_pWholeView;
    COLORREF m_clrTransShow;
    int m_bShowColorValid;
    unsigned long long m_nPlacements = 0;

private:
    // Storage set-up of CreateDIB, one per mode.
    int CreatePixelBlock();
    int CreatePageFile();
    // Page-file row windows: place one through the mapping object and record
    // it in picture rows; null (and no window) when none can be placed.
    BYTE* PlaceWindowUp(int storageRow);
    BYTE* PlaceWindowDown(int pictureRow);
    BYTE* PlaceWindowNear(int pictureRow);
    BYTE* RecordWindow(BYTE* rows, int first, int end);
    void ForgetWindow();

    // Drawing window by window: maps the window holding picture row `row` of
    // rows [row, end) and sets the header to its height; the rows it holds
    // from `row` on (0 when none), `*below` its rows under them.
    int64_t MapDrawBand(int64_t row, int64_t end, int64_t* below);
    int BltBlock(HDC dc, int xDest, int yDest, int xSrc, int ySrc, int w, int h);
    int StretchBlock(HDC dc, int xDest, int yDest, int wDest, double scale, int xSrc, int ySrc, int wSrc, int hSrc,
                     unsigned long rop);
};
