// Fuzzes the GIF reader through ReadFile: each input is read in memory and in
// page files, the two reads must agree, and an 8-bit image must save and read
// back to the same pixels (other depths may not save, and then leave no file).
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vfuzz::ReadBothWays(DIBTYPE_GIF, "gif", data, size,
                        vfuzz::SavesBack(DIBTYPE_GIF, "gif", vfuzz::RoundTrip::kSamePixels, vfuzz::Bits({8})));
    return 0;
}
