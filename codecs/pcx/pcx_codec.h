// The PCX pair of codec operations (file format code 2). Reading takes one
// plane of 1, 2, 4 or 8 bits (8 bits with the 256-colour trailer), two to
// four 1-bit planes and three 8-bit planes, into 1-, 2-, 4-, 8-, 4- and
// 24-bit images, decoding line by line into the image's row windows. Saving
// writes 1-, 4-, 8- and 24-bit images (others return 0 and touch no file),
// lines of the smallest even BPL, through a temporary file.
#pragma once

class CDIBFile;

namespace velmora::pcx {

// Both return 1 on success, 0 with the codec's failure text set (a save of
// an image that is not 1, 4, 8 or 24 bits fails without a text).
int Read(CDIBFile& codec, const char* path);
// File errors while writing throw CFileException (the target is untouched).
int Save(CDIBFile& codec, const char* path);

}  // namespace velmora::pcx
