// What a photo carries beside its pixels: its colour profile and its EXIF
// block, kept from the file read and written again by saves to JPEG, PNG
// and TIFF.
#pragma once

#include <vector>

namespace velmora {

struct ImageMetadata {
    // An ICC colour profile; empty: none.
    std::vector<unsigned char> icc;
    // An EXIF block as TIFF-structured bytes ("II*\0" or "MM\0*" first),
    // without the "Exif\0\0" a JPEG puts before it; empty: none.
    std::vector<unsigned char> exif;

    bool empty() const { return icc.empty() && exif.empty(); }
};

}  // namespace velmora
