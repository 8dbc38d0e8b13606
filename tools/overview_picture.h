// Shrink on load for TIFFs with overviews: a thumbnail is made from the
// smallest overview that is still at least twice its size each way, so a
// COG of any size costs a read of one small level.
#pragma once

#include <string>

class CNewDIB;

namespace velmora::cli {

// True with `image` a 24-bit picture of that overview of `path`; false (the
// image untouched) when the file has no overview large enough, or samples
// the picture path turns into pixels by rules of its own (anything but 8-bit
// grey, RGB or RGBA), or cannot be read this way: then read the file whole.
bool ReadOverviewForBox(const std::string& path, int boxWidth, int boxHeight, CNewDIB* image);

}  // namespace velmora::cli
