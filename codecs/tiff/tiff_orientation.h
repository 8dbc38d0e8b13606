// The flips and quarter turns, in order, that bring a picture stored with a
// TIFF Orientation of 2 to 8 upright: one table for the pixels (the document)
// and for the georeferencing that must follow them (CGeoTIFF).
#pragma once

namespace velmora::tiff {

enum class OrientationStep { kNone, kHorizontalFlip, kVerticalFlip, kRightTurn, kLeftTurn };

struct OrientationSteps {
    OrientationStep first, second;
};

// Stored row 0 is the picture's top (1-4) or its left or right side (5-8),
// stored column 0 its left, right, top or bottom. No steps for 1 and for
// values outside 2..8.
inline OrientationSteps StepsForOrientation(int orientation) {
    using S = OrientationStep;
    constexpr OrientationSteps kSteps[9] = {
        {S::kNone, S::kNone},                    // (unused)
        {S::kNone, S::kNone},                    // 1 top-left: as stored
        {S::kHorizontalFlip, S::kNone},          // 2 top-right
        {S::kHorizontalFlip, S::kVerticalFlip},  // 3 bottom-right: a half turn
        {S::kVerticalFlip, S::kNone},            // 4 bottom-left
        {S::kRightTurn, S::kHorizontalFlip},     // 5 left-top: transposed
        {S::kRightTurn, S::kNone},               // 6 right-top
        {S::kRightTurn, S::kVerticalFlip},       // 7 right-bottom: transversed
        {S::kLeftTurn, S::kNone},                // 8 left-bottom
    };
    return orientation >= 2 && orientation <= 8 ? kSteps[orientation] : kSteps[0];
}

}  // namespace velmora::tiff
