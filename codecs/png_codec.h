// The PNG pair of codec operations (file format code 5), on libpng.
//
// Reading takes files that carry a palette: indexed images of 1, 2, 4 and 8
// bits (the 1-bit ones with a black-and-white table, whatever their palette),
// and colour images with a suggested palette, read as 24-bit images (16-bit
// samples cut to 8, alpha composited over the background colour). Files
// without a palette are refused with a message box. Saving writes 8-bit
// images as indexed PNGs with their 256-entry table; other bit counts are
// refused with a message box. Both directions first compare the image's size
// with the available physical memory and refuse, with a warning box, when it
// does not fit. Rows move through the image's row windows either way.
#pragma once

class CDIBFile;

namespace velmora::png {

// Both return 1 on success, 0 with the codec's failure text set (or none:
// the document then reports its generic text).
int Read(CDIBFile& codec, const char* path);
int Save(CDIBFile& codec, const char* path);

}  // namespace velmora::png
