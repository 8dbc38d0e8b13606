// Where a contact sheet puts each thumbnail and its label.
#pragma once

#include <cstddef>

#include "velmora/wintypes.h"

namespace velmora::cli {

struct Point {
    int x;
    int y;
};

struct SheetLayout {
    static constexpr int kMargin = 8;        // around the sheet
    static constexpr int kGap = 8;           // between cells
    static constexpr int kLabelLines = 2;    // name; size and bit count
    static constexpr int kLineHeight = 9;    // glyph height and spacing
    static constexpr int kLabelHeight = 4 + kLabelLines * kLineHeight;

    int cell = 0;  // side of the square each thumbnail fits in
    int columns = 0;
    int rows = 0;

    int Width() const;
    int Height() const;
    // The thumbnail box of image `index` (left to right, then down), in
    // surface coordinates (y down).
    RECT Box(size_t index) const;
    // Top-left of label line `line` of image `index`.
    Point LabelLine(size_t index, int line) const;
};

// A layout for `images` cells of side `cell`, in `columns` columns (0: about
// as many columns as rows).
SheetLayout PlanSheet(size_t images, int cell, int columns);

// The largest rectangle of the image's shape centred in `box` (at least one
// pixel each way).
RECT FitInBox(const RECT& box, int width, int height);

}  // namespace velmora::cli
