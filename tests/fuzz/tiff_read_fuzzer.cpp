// Fuzzes the TIFF reader (libtiff underneath): each input is read in memory and
// in page files, the two reads must agree, and an image that reads must save
// and read back to the same pixels. libtiff decodes a damaged strip whole
// (memory) and row by row (page files, where a strip outgrows a row window)
// differently, so where it warned about the data only the shapes must agree.
#include <tiffio.h>

#include <cstdarg>

#include "tests/fuzz/fuzz_support.h"

namespace {

int g_warnings = 0;

void CountWarning(const char*, const char*, va_list) { ++g_warnings; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TIFFErrorHandler installed[] = {TIFFSetWarningHandler(CountWarning), TIFFSetErrorHandler(nullptr)};
    (void)installed;
    g_warnings = 0;
    const auto saves = vfuzz::SavesBack(DIBTYPE_TIF, "tif", vfuzz::RoundTrip::kSamePixels, vfuzz::Bits({1, 4, 8, 24}));
    const vfuzz::Session& session = vfuzz::TheSession();
    const std::string input = vfuzz::WriteInput(session, "tif", data, size);
    const vfuzz::Outcome memory = vfuzz::ReadOnce(session, vfuzz::Storage::kMemory, DIBTYPE_TIF, input, saves);
    const vfuzz::Outcome paged = vfuzz::ReadOnce(session, vfuzz::Storage::kPageFile, DIBTYPE_TIF, input, saves);
    vfuzz::CheckAgreement(memory, paged, g_warnings ? vfuzz::Agreement::kSameShape : vfuzz::Agreement::kSame);
    return 0;
}
