// CNewDIB: an image document. It is a CNewDIBObject (the pixels) that also
// knows its file name, its file format code and whether it is gray, reads and
// saves files, copies blocks, draws itself and transforms itself.
//
// Every operation returns 1 for success and 0 for failure unless it says
// otherwise. Reads and saves report progress to the calling thread's main
// window and leave the reason for a failure in GetLastErrorText().
#pragma once

#include "velmora/cstring.h"
#include "velmora/image_metadata.h"
#include "velmora/newdibobject.h"
#include "velmora/wintypes.h"

class CDC;
struct DIBSaveOptions;

class CNewDIB : public CNewDIBObject {
public:
    // An empty document: no pixels, no file, format DIBTYPE_NONE.
    CNewDIB();
    // A copy of `src` (pixels, file name, format, gray property); empty when
    // `src` is null or empty or the copy cannot be allocated.
    explicit CNewDIB(const CNewDIB* src);
    explicit CNewDIB(const CBitmap* bitmap);
    // A new image of the given size and bit count (as CreateDIB); empty
    // (Ready() == 0) when it cannot be created.
    CNewDIB(int width, int height, int bitCount);
    ~CNewDIB() override;

    // Makes this document a copy of `src`. 0 when `src` is null or empty or
    // the storage cannot be created (this document is then empty).
    int CopyDIB(CNewDIB* src);
    // The format code of the file last read or saved with remember set
    // (DIBTYPE_BMP .. DIBTYPE_PNG), DIBTYPE_NONE for none.
    int GetFileFormat() { return m_nFileFormat; }
    // Sets the document's file name (the format code stays); returns 1.
    int SetFileName(CString name);
    CString GetFileName() { return m_strFileName; }
    // The gray property: 1 when the reader found a gray image (set by the
    // codecs, kept by the host).
    void SetGrayProp(int gray) { m_nGrayProp = gray; }
    int GetGrayProp() { return m_nGrayProp; }
    // 1 when (x, y), y a storage row, lies in the image.
    int Inside(int x, int y);
    // 1 when the pixels live in a page file, 0 in memory.
    int IsMapped() { return m_bMapped; }

    // Colour table; colours in host order (red low). Images above 8 bits have
    // none: the getters give null or 0 entries.
    // The table itself (borrowed, valid while the image lives); *count its entries.
    RGBQUAD* GetRGBQuad(int* count);
    // A copy of the table as colour values; the caller frees it with delete[].
    unsigned long* GetColorTable(int* count);
    // Copies the table into `values` (room for GetColorNumber() entries);
    // returns the number of entries, -1 when there is no table or no `values`.
    int GetColorTable(unsigned long* values);
    // Replaces the first `count` entries; 0 when the image has no table or
    // `count` exceeds it.
    int SetColorTable(int count, unsigned long* values);
    // Entries in the colour table: 2, 16 or 256, or 0 above 8 bits.
    int GetColorNumber();
    // The 40-byte header (borrowed); null for an empty image.
    BITMAPINFOHEADER* GetBitmapInfoHeader();

    // Block copies between two images of the same bit count (8 or 24); rows
    // are storage rows. GetDIBBlock copies `width` x `rows` pixels from
    // (srcX, srcRow) of `src` to (x, row) of this image; PutDIBBlock copies
    // from (x, row) of this image to (dstX, dstRow) of `dst`. The block is
    // clipped to both images; 0 when a corner lies outside its image, the bit
    // counts differ or are below 8, or an image is empty. The two images may
    // be the same one.
    int GetDIBBlock(CNewDIB* src, int srcX, int srcRow, int x, int row, int width, int rows);
    int PutDIBBlock(CNewDIB* dst, int dstX, int dstRow, int x, int row, int width, int rows);
    // Does nothing; returns 0.
    int Resize(CSize size, unsigned long mode);

    // Reads a file into this document, replacing what it held. `format` -1
    // chooses by the path's extension (BMP, TIF, PCX, GIF, JPG, PNG in any
    // case), 0..5 names a format code. Returns 1, or 0 with the reason in
    // GetLastErrorText(). What a failed read leaves depends on when it
    // failed:
    // - before the image was made (unknown extension, a file that cannot be
    //   opened, a header the reader refuses, a size beyond the limits): the
    //   document as it was, its image and pixels untouched;
    // - the image could not be made (no memory or page file): no pixels;
    // - after the image was made (damaged or short data): no pixels, except
    //   where the format's rules keep the new image (a BMP whose colour table
    //   is cut short, a PNG the reader refuses after reading its header),
    //   which is left with its rows cleared, never with another image's
    //   pixels.
    // A file exception from the disk while the file is read passes through
    // to the caller.
    int ReadFile(const CString& path, int format);
    // ReadFile for a picture about to be fitted into boxWidth x boxHeight by
    // MakeThumbnail: a JPEG is decoded at 1/2, 1/4 or 1/8 of its size where
    // it stays at least twice the thumbnail's size each way (far faster,
    // and the thumbnail within a fraction of a dB of the full read's); other
    // formats, and a box below 1 x 1, read as ReadFile does.
    int ReadFileForBox(const CString& path, int format, int boxWidth, int boxHeight);
    // Saves this document to `path` in `format` (-1: by the extension). A
    // temporary file is written beside `path` and renamed over it only on
    // success, so a failed save leaves `path` as it was. With `remember`, the
    // path and format become the document's. Returns 1, or 0 with the reason
    // in GetLastErrorText() (unknown format, a depth the format cannot hold,
    // the file cannot be created or written).
    int SaveFile(const CString& path, int format, int remember);
    // SaveFile with this save's own options (velmora/save_options.h) in
    // place of the library settings.
    int SaveFile(const CString& path, int format, int remember, const DIBSaveOptions& options);
    // Failure text of the last ReadFile or SaveFile (GBK; show it with
    // ConvertGbk or GbkToUtf8); empty after a success.
    CString GetLastErrorText() { return m_strLastError; }

    // The colour profile and EXIF block of the file read (JPEG, PNG, TIFF),
    // kept by copies and written by saves to those formats; a host clears
    // them to strip a file.
    const velmora::ImageMetadata& GetMetadata() const { return m_metadata; }
    void SetMetadata(const velmora::ImageMetadata& metadata) { m_metadata = metadata; }
    // Whether reads bring a picture stored turned or mirrored upright as
    // its Orientation says (TIFF tag, JPEG EXIF): on by default. When on,
    // the EXIF block kept says 1 afterwards.
    void SetAutoOrient(int on) { m_bAutoOrient = on ? 1 : 0; }
    // The Orientation the last read found (1 to 8; 1 when none).
    int GetOrientation() const { return m_nOrientation; }
    // After a successful read: what it ignored (a damaged colour profile or
    // EXIF block), empty when nothing. The failure text stays empty.
    CString GetLastWarningText() { return m_strLastWarning; }

    // Draws the source rectangle (picture rows: y from the top) stretched
    // into the destination rectangle of the device context, window by window
    // for page-file images; `rop` SRCCOPY or SRCAND; transparent colours are
    // honoured (Transparent, AddTransClr). 0 for a null dc or rectangle or an
    // empty image.
    int DrawDIB(CDC* dc, RECT* dst, RECT* src, unsigned long rop);
    int DrawDIB(HDC dc, RECT* dst, RECT* src, unsigned long rop);
    using CNewDIBObject::DrawDIB;

    // Transforms in place, with progress messages. A quarter turn swaps width
    // and height and needs room for a second image of the same size (in
    // memory or a page file); 0 when there is none, the image unchanged.
    int RightRotate();
    int LeftRotate();
    // Inverts every colour: the palette's entries, or each byte of a 24-bit image.
    int InvertColor();
    // Mirrors top to bottom, and left to right.
    int VerticalFlip();
    int HorizonFlip();
    // Makes an image of 16 (5-5-5), 24 or 32 bits an 8-bit image of at most
    // `colors` colours (2..256) chosen for it (Wu's quantizer), with
    // Floyd-Steinberg dithering when `dither` is non-zero; alpha is dropped.
    // Rows pass window by window, so page-file images reduce too. 0, the
    // image unchanged, for other bit counts, a count out of range, or no room
    // for the new image.
    int ReduceColors(int colors, int dither);
    // The same picture at a greater depth: indices of 1 to 7 bits repacked
    // to `bitCount` (up to 8) with the same colour table, or 16 (5-5-5) and
    // 32-bit pixels as 24-bit ones. The gray flag is cleared (a widened table
    // is no grey ramp). 0, the image unchanged, for other pairs or no room.
    int WidenDepth(int bitCount);

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
    CString m_strLastWarning;
    velmora::ImageMetadata m_metadata;
    int m_bAutoOrient = 1;
    int m_nOrientation = 1;
};
