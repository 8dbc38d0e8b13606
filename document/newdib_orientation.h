// A picture stored turned or mirrored (the TIFF Orientation values 2 to 8)
// brought upright after its rows are read, with the image's own flips and
// quarter turns, so images in page files are turned as any other.
#pragma once

class CNewDIB;

namespace velmora {

// 1 when the image is upright (also for 1 and values outside 2..8), 0 when a
// transform failed (a quarter turn finds no room for the second image).
int ApplyOrientation(CNewDIB& dib, int orientation);

}  // namespace velmora
