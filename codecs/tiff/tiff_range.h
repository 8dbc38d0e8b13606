// The first pass of a stretched read: the lowest and highest sample of the
// whole image, through the same bands the read uses, nothing stored. A large
// image is measured in two halves at once, the second on a thread of its own
// with its own handle on the file (decoding is most of the pass, and libtiff
// handles are not shared between threads). What the budget allows of the
// decoded rows is kept for the second pass, a run for each half.
#pragma once

#include "codecs/tiff/tiff_bands.h"
#include "codecs/tiff/tiff_kept_rows.h"
#include "codecs/tiff/tiff_samples.h"

namespace velmora::tiff {

// Measures with `bands` (and a second source opened on `path` for the lower
// half when that pays), sets the converter's range and keeps rows in `kept`.
Failure MeasureRange(const char* path, const Layout& layout, uint64_t windowBytes, BandSource& bands,
                     SampleConverter& converter, KeptRows& kept);

}  // namespace velmora::tiff
