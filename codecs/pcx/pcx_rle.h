// PCX run-length coding. A byte 0xC0..0xFF is a count: its low six bits say
// how many times the next byte repeats (0 yields nothing); any other byte
// stands for itself, so a data byte of 0xC0 or more is always written as a
// run, of length 1 if need be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "velmora/cfile.h"
#include "velmora/wintypes.h"

namespace velmora::pcx {

// Decodes scan lines from a file's coded data, a buffer at a time. Nothing is
// written outside the line asked for, and nothing is read past `dataBytes`.
class ScanLineDecoder {
public:
    ScanLineDecoder(CFile& file, uint64_t dataBytes);

    // Fills all `count` bytes of `line`; false when the data ends first.
    bool Decode(BYTE* line, size_t count);
    // Drops what is left of a run that passed the end of the last line (four
    // planes are decoded line by line; the other layouts let runs go on into
    // the next line).
    void DropRun() { m_nRunLeft = 0; }

private:
    bool Refill();

    CFile& m_file;
    uint64_t m_nDataLeft;
    std::vector<BYTE> m_buffer;
    size_t m_nPos = 0;
    size_t m_nEnd = 0;
    BYTE m_runValue = 0;
    size_t m_nRunLeft = 0;
};

// The longest run one count byte describes.
constexpr size_t kMaxRun = 63;
// The most bytes EncodeRow writes for `bytes` input bytes.
constexpr size_t EncodedBound(size_t bytes) { return 2 * bytes; }

// Codes one scan line of `planes` planes of `planeBytes` each. Every plane
// is coded by itself, so no run crosses a plane; a single plane is coded as
// four parts cut at k * planeBytes / 4, so that a line whose BPL is the DIB
// stride is coded as it always was. Returns the bytes written to `out`,
// which holds at least EncodedBound(planes * planeBytes).
size_t EncodeLine(const BYTE* line, size_t planeBytes, int planes, BYTE* out);

}  // namespace velmora::pcx
