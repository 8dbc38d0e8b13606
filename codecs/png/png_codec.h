// The PNG pair of codec operations (file format code 5), on libpng.
//
// Reading takes every colour type: indexed images of 1, 2, 4 and 8 bits with
// the file's palette; colour files with a suggested palette, and truecolour
// ones, as 24-bit images (16-bit samples cut to 8, alpha or the transparent
// colour composited over the background colour); greyscale as images of its
// depth (16 cut to 8) with a grey ramp; grey or colour with alpha and no
// palette as 32-bit images. Saving writes 1, 2, 4 and 8-bit images as
// indexed PNGs with their whole colour table, 24-bit as truecolour and
// 32-bit as truecolour with alpha; 16-bit images are refused with a message
// box. Both directions first compare the image's size with the available
// physical memory and refuse, with a warning box, when it does not fit
// (images in page files pass). Rows move through the image's row windows.
#pragma once

class CDIBFile;

namespace velmora::png {

// Both return 1 on success, 0 with the codec's failure text set (or none:
// the document then reports its generic text).
int Read(CDIBFile& codec, const char* path);
int Save(CDIBFile& codec, const char* path);

}  // namespace velmora::png
