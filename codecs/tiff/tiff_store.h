// Storing decoded TIFF rows: picture rows top to bottom through the row
// walker, with the reader's progress steps (every twentieth of the picture).
#pragma once

#include <cstdint>

#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "storage/row_walker.h"

namespace velmora::tiff {

// Bytes of the rows one placement of the image's window holds (the whole
// image when it is in memory); 0 when no window can be placed.
inline uint64_t WindowBytes(CNewDIBObject& image) {
    int count = 0;
    if (!image.GetDIBBuffer(0, &count, 1) || count <= 0) return 0;
    return static_cast<uint64_t>(count) * image.GetBytesPerLine();
}

// Picture rows first .. first + count - 1, each written by put(k, target,
// stride) for band row k. The walker asks again for a row after a progress
// message, so a host that draws the image in between moves no stale address.
template <class Put>
Failure StoreBand(RowWalker& rows, uint32_t length, uint32_t first, uint32_t count, const ProgressReporter& reporter,
                  Put&& put) {
    const uint32_t step = length / 20 + 1;
    for (uint32_t k = 0; k < count; ++k) {
        const uint32_t t = first + k;
        BYTE* target = rows.Row(static_cast<int>(t));
        if (!target) return text::kMapFailed;
        put(k, target, rows.Stride());
        if (t % step == 0) reporter.Step(static_cast<unsigned long>(static_cast<double>(t) / length * 100));
    }
    return nullptr;
}

}  // namespace velmora::tiff
