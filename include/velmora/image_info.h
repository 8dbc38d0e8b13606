// What an image file holds, read from its headers without decoding pixels.
#pragma once

#include "velmora/cstring.h"

struct DIBFileInfo {
    int format = 6;                 // DIBTYPE_BMP .. DIBTYPE_PNG; DIBTYPE_NONE before a read
    int width = 0;
    int height = 0;
    int bitCount = 0;               // of the image ReadFile makes of the file
    int colors = 0;                 // its colour-table entries: 2^bitCount up to 8 bits, else 0
    unsigned long bytesPerLine = 0; // its row stride
    int pageFile = 0;               // 1 when ReadFile would keep the pixels in a page file (current settings)
    int geoKeys = 0;                // TIFF: GeoKeys in the file's key directory (0: none)
    int geoModel = 0;               // TIFF: 1 when it has tie points, a pixel scale or a transformation
    int orientation = 1;            // the TIFF tag's or JPEG EXIF's Orientation (1 to 8); width and height are upright
};

// Reads what ReadFile reads of `path` before it makes the image (the
// headers: for JPEG up to the scan, for TIFF the directory, for PNG the
// chunks before the data) and no further: no pixels are decoded and nothing
// the size of the image is allocated or reserved. `format` as for
// ReadFile (-1: by the extension). For a TIFF file the GeoTIFF tags are
// read too (CGeoTIFF gives their values). Returns 1 with *info filled, or 0
// with the failure text ReadFile would give in *errorText (may be null);
// GetLastSystemError() then gives the system's reason. No progress
// messages are sent. A file exception from the disk passes through.
int ReadDIBFileInfo(const CString& path, int format, DIBFileInfo* info, CString* errorText);
