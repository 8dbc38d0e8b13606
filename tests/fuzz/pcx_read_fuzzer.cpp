// Fuzzes the PCX reader. Each input is written to a file and read twice, with
// every image in memory and with page files and the smallest row windows; the
// two reads must agree (result, failure text, every pixel). An image of 1, 4
// or 8 bits must save and read back to the same pixels; any other may not
// save, and then leaves no file. Nothing may be left in the directory once the
// images are gone.
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vfuzz::ReadBothWays(DIBTYPE_PCX, "pcx", data, size,
                        vfuzz::SavesBack(DIBTYPE_PCX, "pcx", vfuzz::RoundTrip::kSamePixels, vfuzz::Bits({1, 4, 8})));
    return 0;
}
