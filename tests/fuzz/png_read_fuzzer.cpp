// Fuzzes the PNG reader (libpng underneath): each input is read in memory and
// in page files, the two reads must agree (except that the reader, which
// refuses images larger than the memory said to be free, may refuse in the
// page-file set-up), and an image that reads and saves must read back to the
// same pixels; one that does not save leaves no file.
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vfuzz::ReadBothWays(DIBTYPE_PNG, "png", data, size,
                        vfuzz::SavesBack(DIBTYPE_PNG, "png", vfuzz::RoundTrip::kSamePixels, vfuzz::Bits({})),
                        vfuzz::Agreement::kPagedMayFail);
    return 0;
}
