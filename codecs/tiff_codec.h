// The TIFF pair of codec operations (file format code 1), on libtiff.
// Reading takes strip files of one sample of 1, 2, 4 or 8 bits (grey or
// palette) or three samples of 8 bits (RGB), in any compression libtiff
// decodes; rows are walked from the last strip up so the image fills from
// its bottom row. Saving writes an uncompressed file with the whole image in
// one strip: a colour map for images of up to 8 bits, RGB above (24-bit
// images, and 32-bit ones from their blue, green, red bytes).
#pragma once

class CDIBFile;

namespace velmora::tiff {

// Both return 1 on success, 0 with the codec's failure text set.
int Read(CDIBFile& codec, const char* path);
// Through a temporary: a failed save leaves the target as it was.
int Save(CDIBFile& codec, const char* path);

}  // namespace velmora::tiff
