// Reading a codec's input: exact reads that report a short or failed read as
// false instead of throwing, and a buffered reader for formats decoded a byte
// at a time (run-length data).
#pragma once

#include <cstddef>
#include <vector>

#include "velmora/cfile.h"
#include "velmora/wintypes.h"

namespace velmora {

// Reads `count` bytes; false when fewer arrive or the read fails.
bool ReadExactly(CFile& file, void* buffer, size_t count);
// Bytes read (fewer at the end of the file; 0 when the read fails).
size_t ReadUpTo(CFile& file, void* buffer, size_t count);
// Positions at `offset` from the start; false when that fails.
bool SeekTo(CFile& file, uint64_t offset);
// The file's length, 0 when it cannot be told.
uint64_t LengthOf(const CFile& file);

class ByteReader {
public:
    explicit ByteReader(CFile& file, size_t bufferBytes = 64 * 1024);

    // The next byte; false at the end of the file.
    bool Next(BYTE* byte);
    // The next `count` bytes (null `out` drops them); false when the file
    // ends first.
    bool Take(BYTE* out, size_t count);

private:
    bool Refill();

    CFile& m_file;
    std::vector<BYTE> m_buffer;
    size_t m_nPos = 0;
    size_t m_nEnd = 0;
};

}  // namespace velmora
