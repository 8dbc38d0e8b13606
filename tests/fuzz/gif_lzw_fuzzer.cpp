// Fuzzes DecodeGIF_LZW on its own. The first seven bytes choose the picture
// (width and height of 1 to 1024, 1/2/4/8 bits, interlaced or not) and how
// many bytes the source reads at a time (so that refills fall anywhere in the
// stream, as they do 32 KiB into a large file); the rest is the data stream,
// read from a file. The rows are one block of exactly the picture's size, so
// the sanitizer sees any write past it.
#include <algorithm>
#include <vector>

#include "platform/dib_geometry.h"
#include "tests/fuzz/fuzz_support.h"
#include "velmora/cfile.h"
#include "velmora/gif.h"

namespace {

constexpr size_t kChoiceBytes = 7;
constexpr unsigned long kLargestChunk = 32768;

int Le16(const uint8_t* p) { return p[0] | p[1] << 8; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kChoiceBytes) return 0;
    const int width = 1 + Le16(data) % 1024, height = 1 + Le16(data + 2) % 1024;
    const int bitCount = 1 << (data[4] & 3);
    const unsigned long chunk = 1 + static_cast<unsigned long>(Le16(data + 5)) % kLargestChunk;

    const std::string input = vfuzz::WriteInput(vfuzz::TheSession(), "lzw", data + kChoiceBytes, size - kChoiceBytes);
    CFile file;
    FUZZ_CHECK(file.Open(input.c_str(), CFile::modeRead));

    gifd_var state{};
    state.fileRemain = static_cast<unsigned long>(size - kChoiceBytes);
    state.chunkSize = static_cast<WORD>(std::min(state.fileRemain, chunk));
    std::vector<char> source(std::max<size_t>(state.chunkSize, 1));
    state.srcBuffer = source.data();
    state.width = static_cast<WORD>(width);
    state.height = static_cast<WORD>(height);
    state.rowBytes = static_cast<short>(velmora::PixelBytes(width, bitCount));
    state.bitCount = static_cast<WORD>(bitCount);
    state.interlaced = data[4] >> 2 & 1;
    ReadSrcData(file, &state.chunkSize, &state.fileRemain, state.srcBuffer, &state.srcDone);
    state.srcCursor = state.srcBuffer;
    state.srcEnd = state.srcBuffer + state.chunkSize;

    const uint64_t stride = velmora::RowStride(width, bitCount);
    std::vector<char> rows(stride * static_cast<uint64_t>(height));
    DecodeGIF_LZW(file, rows.data(), &state, static_cast<unsigned short>(stride));
    return 0;
}
