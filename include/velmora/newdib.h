// CNewDIB: an image document that knows its file, format and gray property.
#pragma once

#include "velmora/cstring.h"
#include "velmora/newdibobject.h"
#include "velmora/wintypes.h"

class CDC;

class CNewDIB : public CNewDIBObject {
public:
    CNewDIB();
    explicit CNewDIB(const CNewDIB* src);
    explicit CNewDIB(const CBitmap* bitmap);
    CNewDIB(int width, int height, int bitCount);
    ~CNewDIB() override;

    int CopyDIB(CNewDIB* src);
    int GetFileFormat() { return m_nFileFormat; }
    int SetFileName(CString name);
    CString GetFileName() { return m_strFileName; }
    void SetGrayProp(int gray) { m_nGrayProp = gray; }
    int GetGrayProp() { return m_nGrayProp; }
    int Inside(int x, int y);
    // 1 when the pixels live in a page file, 0 in memory.
    int IsMapped() { return m_bMapped; }

    // Colour table; colours in host order (red low).
    RGBQUAD* GetRGBQuad(int* count);
    unsigned long* GetColorTable(int* count);  // caller frees with delete[]
    int GetColorTable(unsigned long* values);
    int SetColorTable(int count, unsigned long* values);
    int GetColorNumber();
    BITMAPINFOHEADER* GetBitmapInfoHeader();

    // Block copies; rows are storage rows. The first pair addresses the other image.
    int GetDIBBlock(CNewDIB* src, int srcX, int srcRow, int x, int row, int width, int rows);
    int PutDIBBlock(CNewDIB* dst, int dstX, int dstRow, int x, int row, int width, int rows);
    int Resize(CSize size, unsigned long mode);

    // Files. format: -1 chooses by extension, 0..5 a format code.
    int ReadFile(const CString& path, int format);
    int SaveFile(const CString& path, int format, int remember);
    // Failure text of the last file operation (GBK); empty after a success.
    CString GetLastErrorText() { return m_strLastError; }

    // Drawing front ends.
    int DrawDIB(CDC* dc, RECT* dst, RECT* src, unsigned long rop);
    int DrawDIB(HDC dc, RECT* dst, RECT* src, unsigned long rop);
    using CNewDIBObject::DrawDIB;

    // Transforms.
    int RightRotate();
    int LeftRotate();
    int InvertColor();
    int VerticalFlip();
    int HorizonFlip();

protected:
    BYTE* GetDIB();
    WORD DIBNumColors(BYTE* header);
    WORD PaletteSize(BYTE* header);

    HWND m_hProgressWnd;
    CString m_strFileName;
    int m_nFileFormat;
    int m_nGrayProp;

private:
    // Start of ReadFile and SaveFile: finds the progress window and settles the
    // format code; -1 (with the failure text kept) when no format is named.
    int BeginFileOperation(const CString& path, int format);

    CString m_strLastError;
};
