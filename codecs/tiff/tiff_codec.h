// The TIFF pair of codec operations (file format code 1), on libtiff.
// Reading takes the first directory of strip or tiled files, samples
// contiguous or in planes, classic or BigTIFF, in any compression libtiff
// decodes: grey and palette samples of up to 8 bits as they stand, wider
// samples reduced to 8 bits (tiff_samples.h), and colours libtiff converts
// through its RGBA interface (tiff_rgba.h); the Orientation found is left in
// the codec for the document to apply. Saving writes a colour map for
// images of up to 8 bits, RGB above (24-bit images, and 32-bit ones from
// their blue, green, red bytes), uncompressed in one strip unless the
// compression setting asks otherwise, as BigTIFF past the size threshold.
// Both keep the ICC profile and the EXIF (tiff_metadata.h).
#pragma once

#include <functional>

class CDIBFile;
typedef struct tiff TIFF;

namespace velmora::tiff {

// Tags of the caller's own, set on the directory before the rows are
// written, so they are written with the image; false fails the save.
using ExtraTags = std::function<bool(TIFF*)>;

// Both return 1 on success, 0 with the codec's failure text set.
int Read(CDIBFile& codec, const char* path);
// Through a temporary: a failed save leaves the target as it was.
int Save(CDIBFile& codec, const char* path, const ExtraTags& extra = nullptr);

}  // namespace velmora::tiff
