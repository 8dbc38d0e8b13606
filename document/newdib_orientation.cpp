#include "document/newdib_orientation.h"

#include "codecs/metadata/metadata_blocks.h"
#include "codecs/tiff/tiff_orientation.h"
#include "velmora/newdib.h"

namespace velmora {

namespace {

int Apply(CNewDIB& dib, tiff::OrientationStep step) {
    switch (step) {
        case tiff::OrientationStep::kHorizontalFlip:
            return dib.HorizonFlip();
        case tiff::OrientationStep::kVerticalFlip:
            return dib.VerticalFlip();
        case tiff::OrientationStep::kRightTurn:
            return dib.RightRotate();
        case tiff::OrientationStep::kLeftTurn:
            return dib.LeftRotate();
        case tiff::OrientationStep::kNone:
            break;
    }
    return 1;
}

}  // namespace

int ApplyOrientation(CNewDIB& dib, int orientation) {
    const tiff::OrientationSteps steps = tiff::StepsForOrientation(orientation);
    return Apply(dib, steps.first) && Apply(dib, steps.second) ? 1 : 0;
}

int OrientUpright(CNewDIB& dib, int orientation, ImageMetadata* metadata) {
    if (!ApplyOrientation(dib, orientation)) return 0;
    if (orientation != 1) SetExifOrientation(&metadata->exif, 1);
    return 1;
}

}  // namespace velmora
