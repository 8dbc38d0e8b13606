// The size checks every image passes before its storage is made.
#include "storage/image_limits.h"

#include <climits>

#include "platform/dib_geometry.h"
#include "platform/disk_space.h"
#include "storage/storage_mode.h"
#include "velmora/environment.h"

namespace velmora {

namespace {

bool HeldBitCount(int bitCount) {
    return (bitCount >= 1 && bitCount <= 8) || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

}  // namespace

uint64_t PageFileByteLimit() {
    const unsigned long set = GetMaxPageFileBytes();
    if (set != 0) return set;
    uint64_t free = 0;
    return FreeDiskBytes(GetVirtualDirectory(), &free) ? free : 0;
}

bool PageFileWithinLimit(uint64_t bytes) { return bytes <= PageFileByteLimit(); }

bool DimensionsWithinLimits(int64_t width, int64_t height, int bitCount, uint64_t* bytes) {
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX || !HeldBitCount(bitCount)) return false;
    uint64_t pixels = 0;
    if (!CheckedProduct(static_cast<uint64_t>(width), static_cast<uint64_t>(height), &pixels) ||
        pixels > GetMaxImagePixels())
        return false;
    // The image keeps its stride in an int.
    *bytes = ImageBytes(RowStride(width, bitCount, INT_MAX), static_cast<uint64_t>(height));
    return *bytes != 0;
}

bool ImageWithinLimits(int64_t width, int64_t height, int bitCount) {
    uint64_t bytes = 0;
    return DimensionsWithinLimits(width, height, bitCount, &bytes) &&
           (!ShouldUsePageFile(bytes) || PageFileWithinLimit(bytes));
}

}  // namespace velmora
