// The JPEG pair of codec operations (file format code 4), on libjpeg's
// stdio source and destination. Reading takes one-component files as 8-bit
// images with a grey table and three-component files as 24-bit images;
// saving writes a colour file of quality 75 from 1-, 4-, 8- and 24-bit
// images, palette images through their colour table. Rows go straight
// between the library and the image's row windows in blue, green, red order.
#pragma once

class CDIBFile;

namespace velmora::jpeg {

// Both return 1 on success, 0 with the codec's failure text set (or left as
// it was where the format gives none).
int Read(CDIBFile& codec, const char* path);
int Save(CDIBFile& codec, const char* path);

}  // namespace velmora::jpeg
