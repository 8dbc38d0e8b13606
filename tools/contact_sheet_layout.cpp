#include "tools/contact_sheet_layout.h"

#include <algorithm>
#include <cmath>

namespace velmora::cli {

int SheetLayout::Width() const { return 2 * kMargin + columns * cell + (columns - 1) * kGap; }

int SheetLayout::Height() const { return 2 * kMargin + rows * (cell + kLabelHeight) + (rows - 1) * kGap; }

RECT SheetLayout::Box(size_t index) const {
    const int column = static_cast<int>(index % static_cast<size_t>(columns));
    const int row = static_cast<int>(index / static_cast<size_t>(columns));
    const int left = kMargin + column * (cell + kGap);
    const int top = kMargin + row * (cell + kLabelHeight + kGap);
    return RECT{left, top, left + cell, top + cell};
}

Point SheetLayout::LabelLine(size_t index, int line) const {
    const RECT box = Box(index);
    return Point{box.left, box.bottom + 4 + line * kLineHeight};
}

SheetLayout PlanSheet(size_t images, int cell, int columns) {
    SheetLayout layout;
    layout.cell = cell;
    const size_t count = std::max<size_t>(images, 1);
    size_t wide = columns > 0 ? static_cast<size_t>(columns)
                              : static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(count))));
    wide = std::min(std::max<size_t>(wide, 1), count);
    layout.columns = static_cast<int>(wide);
    layout.rows = static_cast<int>((count + wide - 1) / wide);
    return layout;
}

RECT FitInBox(const RECT& box, int width, int height) {
    const long boxW = box.right - box.left, boxH = box.bottom - box.top;
    long w = boxW, h = boxH;
    if (width > 0 && height > 0) {
        // Compare the shapes in 64 bits: width * boxH against height * boxW.
        if (static_cast<long long>(width) * boxH >= static_cast<long long>(height) * boxW)
            h = std::max(1L, static_cast<long>(static_cast<long long>(boxW) * height / width));
        else
            w = std::max(1L, static_cast<long>(static_cast<long long>(boxH) * width / height));
    }
    const long left = box.left + (boxW - w) / 2, top = box.top + (boxH - h) / 2;
    return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + w),
                static_cast<LONG>(top + h)};
}

}  // namespace velmora::cli
