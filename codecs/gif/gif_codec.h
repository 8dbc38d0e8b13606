// The GIF pair of codec operations (file format code 3). Reading takes the
// first image of the file into a 1-, 4- or 8-bit image, its rows decoded
// straight into the image's row windows; saving writes an 8-bit image as a
// GIF89a file with one image and a global colour table, never interlaced.
#pragma once

class CDIBFile;

namespace velmora::gif {

// Both return 1 on success, 0 with the codec's failure text set. File
// errors throw CFileException, opening a missing file included.
int Read(CDIBFile& codec, const char* path);
// Images that are not 8-bit get a message box and fail; no file is left.
int Save(CDIBFile& codec, const char* path);

}  // namespace velmora::gif
