// Library-wide settings, file types, page-file naming, path and text helpers.
#pragma once

#include <cstdint>

#include "velmora/cstring.h"
#include "velmora/wintypes.h"

// File format codes.
constexpr int DIBTYPE_BMP = 0;
constexpr int DIBTYPE_TIF = 1;
constexpr int DIBTYPE_PCX = 2;
constexpr int DIBTYPE_GIF = 3;
constexpr int DIBTYPE_JPG = 4;
constexpr int DIBTYPE_PNG = 5;
constexpr int DIBTYPE_NONE = 6;

// Settings. The virtual directory starts as the temporary directory with a
// trailing "/" ($TMPDIR, else "/tmp/").
void SetVirtualDirectory(CString directory);
CString GetVirtualDirectory();
void SetLoadImageNumber(int number);
int GetLoadImageNumber();
void SetImageUseMemSize(unsigned long bytes);
unsigned long GetImageUseMemSize();
void SetDefaultDIBType(int type);
int GetDefaultDIBType();
int GetMemmapMode();

// Limits on the images the library creates, so that a file whose header
// claims a huge picture cannot make it reserve absurd memory or disk space.
// An image with more pixels (width x height) than the pixel limit, or whose
// page file would hold more bytes than the page-file limit, is refused
// before any storage is made; readers then fail with their text for a
// refused buffer. 0 restores a limit's default: 2^31 pixels, and for page
// files what the virtual directory's file system has free when the page
// file is made.
void SetMaxImagePixels(unsigned long pixels);
unsigned long GetMaxImagePixels();
void SetMaxPageFileBytes(unsigned long bytes);
unsigned long GetMaxPageFileBytes();  // 0: the free space, as above
// zlib's level (0-9) for PNG saves; -1, the default, keeps the codec's own
// (3: files a few percent larger than zlib's default level, in about half
// the time). Values outside -1..9 restore the default.
void SetPngCompressionLevel(int level);
int GetPngCompressionLevel();

// TIFF saving. Compression: none (the default), Deflate or LZW (both with
// the horizontal predictor for 8-bit samples), or JPEG for 24- and 32-bit
// images (images of up to 8 bits are saved with Deflate instead: a colour
// table cannot be kept by lossy coding). Other values count as none. A save
// whose file could pass the BigTIFF threshold (0: 4 GiB, where classic TIFF
// offsets end) is written as BigTIFF.
enum { TIFFSAVE_NONE = 0, TIFFSAVE_DEFLATE = 1, TIFFSAVE_LZW = 2, TIFFSAVE_JPEG = 3 };
void SetTiffCompression(int compression);
int GetTiffCompression();
void SetTiffBigThreshold(uint64_t bytes);
uint64_t GetTiffBigThreshold();
// JPEG saves: quality 1 to 100 (75 by default, with the float DCT); values
// outside that range leave the setting as it was.
void SetJpegQuality(int quality);
int GetJpegQuality();
// A JPEG whose data ends early or is damaged so that the decoder fills in
// pixels fails to read ("读取文件数据出错") unless this is non-zero (0 by
// default); the image then keeps what was decoded, the rest as the decoder
// filled it.
void SetLoadTruncatedImages(int keep);
int GetLoadTruncatedImages();
void LoadDIBSetting();
void SaveDIBSetting();

// A fresh page-file name in the virtual directory ("Page%X.dat"); empty when
// every candidate is taken.
CString CreateMapFileName();

// File-dialog filters and patterns.
CString GetDIBFilter();
CString GetDIBExt(int type);
CString GetAllDIBsFilter();

int FileIsExist(CString name);
int PathIsExist(CString name);
int MatchColorIndex(int count, const DWORD* colors, DWORD color);

// Paths ("\" and "/" both separate) and text layout.
CString GetFileName(CString path);
CString GetFileNameExt(CString path);
CString GetFilePath(CString path);
CString GetAppName();
CString GetAppPath();
CString GetDicPath();
CString GetAbsolutePath(CString base, CString path);
CString GetOppositePath(CString base, CString path);
CString DupString(CString text, int n);
CString GetCenterString(CString text, int width);
CString GetLeftString(CString text, int width);
CString GetRightString(CString text, int width);
