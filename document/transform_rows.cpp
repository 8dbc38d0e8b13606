#include "document/transform_rows.h"

#include <cstring>

namespace velmora {

bool CopyRowsOut(CNewDIBObject& image, int first, int count, BYTE* out) {
    const size_t stride = image.GetBytesPerLine();
    return ForEachRowRun(image, first, first + count, [&](const RowRun& run) {
        const size_t bytes = static_cast<size_t>(run.count) * stride;
        std::memcpy(out + static_cast<size_t>(run.first - first) * stride, run.bits, bytes);
    });
}

bool CopyRowsIn(CNewDIBObject& image, int first, int count, const BYTE* in) {
    const size_t stride = image.GetBytesPerLine();
    return ForEachRowRun(image, first, first + count, [&](const RowRun& run) {
        const size_t bytes = static_cast<size_t>(run.count) * stride;
        std::memcpy(run.bits, in + static_cast<size_t>(run.first - first) * stride, bytes);
    });
}

size_t PixelBytes(int width, int bitCount) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 7) / 8;
}

}  // namespace velmora
