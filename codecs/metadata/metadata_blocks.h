// Checks on the colour profiles and EXIF blocks readers find, and the one
// EXIF field the library reads and rewrites: IFD0's Orientation. Every
// offset is checked against the block's size; nothing beyond it is read.
#pragma once

#include <vector>

class CDIBFile;

namespace velmora {

using Bytes = std::vector<unsigned char>;

// An ICC profile's header holds its size and the "acsp" signature.
bool IccWellFormed(const Bytes& icc);
// A TIFF header whose first directory lies inside the block.
bool ExifWellFormed(const Bytes& exif);

// IFD0's Orientation (1 to 8); 1 when the block has none or a value
// outside 1..8, or is malformed.
int ExifOrientation(const Bytes& exif);
// Rewrites IFD0's Orientation where the block has one; false when it has none.
bool SetExifOrientation(Bytes* exif, int orientation);

// Keeps what a reader found in codec.m_metadata: a malformed block is
// dropped and noted in codec.m_strWarning, never a refused image.
void KeepIcc(CDIBFile& codec, Bytes icc);
void KeepExif(CDIBFile& codec, Bytes exif);

}  // namespace velmora
