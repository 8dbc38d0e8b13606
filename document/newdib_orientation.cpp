#include "document/newdib_orientation.h"

#include "velmora/newdib.h"

namespace velmora {

namespace {

using Transform = int (CNewDIB::*)();

// The steps for each Orientation: stored row 0 is the picture's top (1-4) or
// its left or right side (5-8), stored column 0 its left, right, top or bottom.
struct Steps {
    Transform first;
    Transform second;
};

const Steps kSteps[9] = {
    {nullptr, nullptr},                                     // (unused)
    {nullptr, nullptr},                                     // 1 top-left: as stored
    {&CNewDIB::HorizonFlip, nullptr},                       // 2 top-right
    {&CNewDIB::HorizonFlip, &CNewDIB::VerticalFlip},        // 3 bottom-right: a half turn
    {&CNewDIB::VerticalFlip, nullptr},                      // 4 bottom-left
    {&CNewDIB::RightRotate, &CNewDIB::HorizonFlip},         // 5 left-top: transposed
    {&CNewDIB::RightRotate, nullptr},                       // 6 right-top
    {&CNewDIB::RightRotate, &CNewDIB::VerticalFlip},        // 7 right-bottom: transversed
    {&CNewDIB::LeftRotate, nullptr},                        // 8 left-bottom
};

}  // namespace

int ApplyOrientation(CNewDIB& dib, int orientation) {
    if (orientation < 2 || orientation > 8) return 1;
    const Steps& steps = kSteps[orientation];
    if (steps.first && !(dib.*steps.first)()) return 0;
    if (steps.second && !(dib.*steps.second)()) return 0;
    return 1;
}

}  // namespace velmora
