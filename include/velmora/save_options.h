// The choices one save makes beyond the image: they ride with the save call
// (CNewDIB::SaveFile, the codec object, CGeoTIFF::SaveGeoTIFFFile), so
// threads saving at once each keep their own and none waits for another.
// The library settings (SetJpegQuality, SetTiffCompression,
// SetPngCompressionLevel, SetTiffBigThreshold) are the defaults a save
// starts from.
#pragma once

#include <cstdint>

#include "velmora/environment.h"

// BigTIFF: when the file could pass the threshold, or always.
enum { BIGTIFF_AUTO = 0, BIGTIFF_FORCED = 1 };

struct DIBSaveOptions {
    int jpegQuality = 75;                      // 1..100
    int tiffCompression = TIFFSAVE_NONE;       // TIFFSAVE_*
    int tiffPredictor = 1;                     // 1: horizontal with Deflate and LZW on 8-bit samples; 0: none
    int pngLevel = -1;                         // zlib's 0..9; -1: the codec's own
    int bigTiff = BIGTIFF_AUTO;                // BIGTIFF_*
    uint64_t bigTiffThreshold = uint64_t{1} << 32;  // bytes, for BIGTIFF_AUTO
};

// The library settings as they stand now.
DIBSaveOptions GetDefaultSaveOptions();
