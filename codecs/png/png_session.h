// libpng's two records and the stream of one PNG read or save, and the
// recovery point its fatal errors return to.
//
// libpng leaves a fatal error through longjmp. The records' owner
// (PngSession) lives in the codec's functions, whose destructors run
// normally; every libpng call that may fail runs inside Guarded, which sets
// the recovery point and holds nothing with a destructor. Work run under it
// must hold nothing with a destructor either (it is left through longjmp).
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "frame/codec_frame.h"

namespace velmora::png {

class PngSession {
public:
    enum Direction { kRead, kWrite };

    explicit PngSession(Direction direction)
        : m_direction(direction), m_nAllocationLimit(direction == kRead ? kHeaderAllocation : UINT64_MAX) {}
    // Destroys the records and closes the stream (a save's stream then holds
    // an unfinished file, which the safe save removes).
    ~PngSession();

    PngSession(const PngSession&) = delete;
    PngSession& operator=(const PngSession&) = delete;

    // Opens `path` ("rb" or "wb") and creates both records, with errors sent
    // to the recovery point and warnings dropped (the library writes no log).
    // False when the stream or a record cannot be had.
    bool Open(const char* path);
    // libpng's largest single allocation from now on; a larger one fails as
    // out of memory. A read starts at kHeaderAllocation: some damaged chunk
    // lengths make libpng allocate what they claim even after it has warned
    // that they are too large.
    void LimitAllocations(uint64_t bytes) { m_nAllocationLimit = bytes; }
    static constexpr uint64_t kHeaderAllocation = 16u << 20;
    // Closes the stream; false when closing fails (written data may be lost).
    bool CloseStream();

    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }
    // Length of the opened file, 0 when it cannot be told.
    uint64_t FileBytes() const;

private:
    void Destroy();

    Direction m_direction;
    FILE* m_file = nullptr;
    std::unique_ptr<char[]> m_streamBuffer;  // outlives m_file: the destructor closes first
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    uint64_t m_nAllocationLimit;  // read through libpng's memory pointer
};

// Runs work() under libpng's recovery point: its result, or kSilentFailure
// when libpng reported a fatal error (the record is then fit only to be
// destroyed). `work` returns a Failure.
template <class Work>
Failure Guarded(png_structp png, Work& work) {
    if (setjmp(png_jmpbuf(png))) return kSilentFailure;
    return work();
}

}  // namespace velmora::png
