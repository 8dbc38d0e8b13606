// A nameless temporary file for work that does not fit in memory: created in
// a directory, unlinked at once (so nothing is left behind, whatever happens
// to the process), its whole size reserved up front so a full disk fails at
// creation rather than halfway.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // `directory` ends with "/" or is empty (the current directory). False
    // when the file cannot be created or `size` cannot be reserved.
    bool Create(const char* directory, uint64_t size);
    // Whole transfers at `offset`; false on any error or short transfer.
    bool Write(uint64_t offset, const void* data, size_t length);
    bool Read(uint64_t offset, void* data, size_t length);
    // Tells the kernel the file is read and written in large sequential runs.
    void AdviseSequential();
    // Asks the kernel to start reading [offset, offset + length) now, so
    // the disk works while the caller computes.
    void Prefetch(uint64_t offset, uint64_t length);

private:
    int m_fd = -1;
    uint64_t m_nSize = 0;
};

}  // namespace velmora
