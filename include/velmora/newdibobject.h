// CNewDIBObject: one bottom-up DIB held in memory or in a page file that is
// mapped a window of rows at a time.
//
// The image owns its header and colour table (one block, GetBitmapInfo), its
// pixel rows (a memory block, or a page file in the virtual directory that is
// deleted when the image is released) and its list of transparent colours.
// Addresses it hands out are borrowed: a row address is valid only until the
// next row request on the same image (see GetPlacementCount).
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

    // Releases what the image held and creates storage for a width x height
    // image of `bitCount` bits (1, 4, 8 or 24; also 2, 16 and 32 for images
    // read so): the header filled in, the colour table zero, the pixel values
    // undefined until written. The pixels go to memory, or to a
    // page file when their size reaches the threshold the settings give
    // (SetImageUseMemSize, SetLoadImageNumber; see the user guide). Returns
    // 0, the image empty, for a size or depth out of range, sizes whose byte
    // counts overflow, or memory or a page file that cannot be had.
    int CreateDIB(int width, int height, int bitCount);
    // Frees the pixels (deleting the page file), the header and the table.
    void ReleaseDIB();
    // Makes this image a copy of `src`'s header, table and pixels (in memory
    // or a page file as its size decides); 0 when `src` is empty or storage
    // cannot be had.
    int CopyDIBObject(CNewDIBObject* src);
    // 1 when the image holds storage.
    int Ready();
    int GetWidth() { return m_nWidth; }
    int GetHeight() { return m_nHeight; }
    int GetBitCount() { return m_nBitCount; }
    // Bytes of one row, a multiple of 4.
    unsigned long GetBytesPerLine();
    // Bytes of all pixel rows.
    unsigned long GetDIBSize();
    // Header and colour table as one block (borrowed); null when empty.
    BITMAPINFO* GetBitmapInfo();
    // Page-file name and the number of images sharing memory, used to size
    // the row window.
    void SetMapParameter(const char* name, unsigned long count);

    // A run of rows. bottomUp != 0: `row` is a storage row and the result is
    // its address, the run going up in memory. bottomUp == 0: `row` is a
    // picture row (0 = top) and the result is the lowest row of the run in
    // memory, picture row row + *count - 1. Valid until the next row request.
    BYTE* GetDIBBuffer(int row, int* count, int bottomUp);
    // Address of storage row `row` (0 = bottom), placing the window as
    // needed; null beyond the image in page-file mode. Valid until the next
    // row request.
    BYTE* GetDIBRow(int row);
    // Storage rows [first, first + count) through a view of their own that no
    // row request on the image moves or unmaps (in memory: the pixel block
    // itself), for a caller that keeps them while other code uses the image.
    // The address of storage row `first`; null when the rows lie outside the
    // image or cannot be mapped. ReleaseRowsApart with the same rows ends it,
    // before anything changes the image's storage.
    BYTE* MapRowsApart(int first, int count);
    void ReleaseRowsApart(BYTE* rows, int first, int count);
    // Changes whenever addresses handed out before may have become invalid
    // (a row window placed or dropped, storage created, released or
    // exchanged). A caller holding a row address across code it does not
    // control (a progress message) compares it to know the address still holds.
    unsigned long long GetPlacementCount() const { return m_nPlacements; }
    // The whole pixel data as one block (page-file mode: a view of the whole
    // file, null when it cannot be mapped); release it with
    // ReleaseGlobalDIBits.
    BYTE* GetGlobalDIBits();
    void ReleaseGlobalDIBits();
    // Same as GetGlobalDIBits.
    BYTE* GetDIBits();

    // Pixel access; y is a storage row (0 = bottom).
    // Does nothing; returns null.
    BYTE* GetDIBits(int, int, int) { return nullptr; }
    // The colour-table index of a palette pixel (a 24-bit pixel: its colour,
    // red low); -1 outside the image.
    int GetPixelIndex(int x, int y);
    // Sets a palette pixel's index; 0 outside the image, above 8 bits or for
    // an index the depth cannot hold.
    int SetPixelIndex(int x, int y, int index);
    // A pixel's colour: palette pixels in host order (red low), 24-bit pixels
    // as their bytes lie (blue low); 0xFF000000 outside the image.
    unsigned long GetPixelRGB(int x, int y);
    // Sets a pixel's colour (same orders as GetPixelRGB); a palette pixel
    // takes the nearest table entry. 0 outside the image.
    int SetPiexlRGB(int x, int y, unsigned long color);
    // The table entry nearest `color` (host order); -1 without a table.
    int MatchRGBIndex(unsigned long color);
    // Bytes of the colour table.
    int GetPaletteSize();

    // Drawing on a device context; source y values are picture rows (0 =
    // top). Each returns 1 when something was drawn, 0 for a null dc, an
    // empty image or a rectangle outside the image. DrawDIB stretches when
    // the sizes differ, BltDIB copies unscaled, StretchDIB always stretches.
    // ScrollDIB and RefreshFactor do nothing (ScrollDIB returns 0).
    int DrawDIB(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                unsigned long rop);
    int BltDIB(HDC dc, int xDest, int yDest, int w, int h, int xSrc, int ySrc);
    int StretchDIB(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                   unsigned long rop);
    int ScrollDIB(HDC dc, int dx, int dy);
    void RefreshFactor();

    // Transparency: with Transparent(1), drawing a palette image lets the
    // surface show through pixels of the listed colours (host order) and
    // paints the others in the show colour.
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
