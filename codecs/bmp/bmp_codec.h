// The BMP pair of codec operations (file format code 0). Reading takes
// uncompressed, RLE8 and RLE4 data (with deltas), 16- and 32-bit bit fields,
// bottom-up and top-down files, information headers of 40 bytes or more (V2
// to V5) and OS/2 1.x and 2.x headers; the image always holds a plain
// bottom-up DIB with a 40-byte header. Saving writes an uncompressed
// bottom-up file with a 40-byte header (2-bit images as 4-bit files),
// through a temporary file.
#pragma once

class CDIBFile;

namespace velmora::bmp {

// Both return 1 on success, 0 with the codec's failure text set.
int Read(CDIBFile& codec, const char* path);
// File errors while writing throw CFileException (the target is untouched).
int Save(CDIBFile& codec, const char* path);

}  // namespace velmora::bmp
