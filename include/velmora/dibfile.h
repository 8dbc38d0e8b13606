// CDIBFile: the codec object. One lives for one ReadFile or SaveFile call.
#pragma once

#include "velmora/cstring.h"
#include "velmora/image_metadata.h"
#include "velmora/wintypes.h"

class CNewDIB;
struct DIBSaveOptions;

class CDIBFile {
public:
    CDIBFile(CNewDIB* dib, HWND wnd);
    virtual ~CDIBFile();

    CString GetErrorText() { return m_strError; }

    int ReadBMPFile(const char* path);
    int SaveBMPFile(const char* path);
    int ReadTIFFFile(const char* path);
    int SaveTIFFFile(const char* path);
    int ReadPCXFile(const char* path);
    int SavePCXFile(const char* path);
    int ReadGIFFile(const char* path);
    int SaveGIFFile(const char* path);
    int ReadJPGFile(const char* path);
    int SaveJPGFile(const char* path);
    int ReadPNGFile(const char* path);
    int SavePNGFile(const char* path);

    CNewDIB* m_pDIB;
    int m_bGray;
    HWND m_hWnd;
    CString m_strError;
    // The TIFF Orientation a read found (1: rows top to bottom, left to
    // right); the document turns or mirrors the image to match after the read.
    int m_nOrientation;
    // The box a thumbnail will fit the picture into (0 x 0: none, the
    // usual full-size read). A reader that can decode at a reduced scale
    // (JPEG) may do so while the image stays at least twice the thumbnail's
    // size each way.
    int m_nFitWidth;
    int m_nFitHeight;
    // The options of this object's saves (velmora/save_options.h), owned by
    // the caller and alive until the save returns; null: the library
    // settings as the save starts.
    const DIBSaveOptions* m_pSaveOptions;
    // Read: the colour profile and EXIF block the file holds (JPEG, PNG,
    // TIFF). Save: what the document gives the file to carry.
    velmora::ImageMetadata m_metadata;
    // A read that succeeded but dropped a damaged profile or EXIF block says
    // so here.
    CString m_strWarning;
};
