#include "storage/pixel_alpha.h"

#include <climits>

#include "storage/row_walker.h"

namespace velmora {

bool ImageHasAlpha(CNewDIBObject& image) {
    if (image.GetBitCount() != 32 || !image.Ready()) return false;
    const int width = image.GetWidth();
    bool found = false;
    const bool walked = WalkRows(image, RowOrder::BottomUp, 0, image.GetHeight(), INT_MAX, [&](const RowPiece& piece) {
        for (int k = 0; k < piece.count && !found; ++k) {
            const BYTE* row = piece.Row(k);
            for (int x = 0; x < width && !found; ++x) found = row[4 * x + 3] != 0;
        }
        return !found;
    });
    return found || !walked;
}

}  // namespace velmora
