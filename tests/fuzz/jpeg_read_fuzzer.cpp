// Fuzzes the JPEG reader (libjpeg underneath): each input is read in memory and
// in page files, the two reads must agree (except that libjpeg, held to the
// memory said to be free, may run short in the page-file set-up), and an image
// that reads must save and read back at the same size (the format loses detail).
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vfuzz::ReadBothWays(DIBTYPE_JPG, "jpg", data, size,
                        vfuzz::SavesBack(DIBTYPE_JPG, "jpg", vfuzz::RoundTrip::kSameSize, vfuzz::Bits({1, 4, 8, 24})),
                        vfuzz::Agreement::kPagedMayFail);
    return 0;
}
