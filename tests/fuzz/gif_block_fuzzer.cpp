// Fuzzes ReadGIF, the reader of a GIF file into a packed DIB in one block: a
// block it returns must have a 40-byte header, a table of 2^bitCount colours
// and every pixel row within the block (the sanitizer checks the last byte).
#include <cstdlib>

#include "platform/dib_geometry.h"
#include "tests/fuzz/fuzz_support.h"
#include "velmora/cfile.h"
#include "velmora/gif.h"

namespace {

void CheckBlock(unsigned char* block) {
    char* dib = reinterpret_cast<char*>(block);
    const int bitCount = DIBBitCount(dib);
    FUZZ_CHECK(bitCount == 1 || bitCount == 4 || bitCount == 8);
    const unsigned long width = DIBWidth(dib), height = DIBHeight(dib);
    FUZZ_CHECK(width > 0 && height > 0);
    FUZZ_CHECK(FindDIBBits(dib) == dib + velmora::HeaderAndTableBytes(bitCount));
    const uint64_t stride = velmora::RowStride(static_cast<int64_t>(width), bitCount);
    volatile char last = FindDIBBits(dib)[stride * height - 1];
    (void)last;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = vfuzz::WriteInput(vfuzz::TheSession(), "gif", data, size);
    CFile file;
    FUZZ_CHECK(file.Open(input.c_str(), CFile::modeRead));
    if (unsigned char* block = ReadGIF(file)) {
        CheckBlock(block);
        std::free(block);
    }
    return 0;
}
