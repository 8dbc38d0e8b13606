// Fuzzes the TIFF reader (libtiff underneath): each input is read in memory and
// in page files, the two reads must agree, and an image that reads must save
// and read back to the same pixels.
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vfuzz::ReadBothWays(
        DIBTYPE_TIF, "tif", data, size,
        vfuzz::SavesBack(DIBTYPE_TIF, "tif", vfuzz::RoundTrip::kSamePixels, vfuzz::Bits({1, 4, 8, 24})));
    return 0;
}
