// What the storage agrees to create: sizes it can hold, within the
// library's limits on pixels and page-file bytes. Checked before anything is
// allocated or reserved, by CreateDIB and by readers that want to refuse a
// file before they give up the caller's image.
#pragma once

#include <cstdint>

namespace velmora {

// Positive width and height that fit an int, a bit count the storage holds
// (1 to 8, 16, 24, 32), a row stride that fits an int, no more pixels
// than GetMaxImagePixels() and, when the pixels would go to a page file, no
// more bytes than PageFileByteLimit().
bool ImageWithinLimits(int64_t width, int64_t height, int bitCount);

// The parts of that check: everything but the page file, with the pixel
// data's bytes in `bytes`; and whether a page file of `bytes` may be made.
bool DimensionsWithinLimits(int64_t width, int64_t height, int bitCount, uint64_t* bytes);
bool PageFileWithinLimit(uint64_t bytes);

// The most bytes a page file may take now: GetMaxPageFileBytes() when set,
// else what the virtual directory's file system has free (0 when that
// cannot be found: no page file can be made there either).
uint64_t PageFileByteLimit();

}  // namespace velmora
