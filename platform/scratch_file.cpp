#include "platform/scratch_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace velmora {

ScratchFile::~ScratchFile() {
    if (m_fd >= 0) close(m_fd);
}

bool ScratchFile::Create(const char* directory, uint64_t size) {
    std::string dir = directory && *directory ? directory : "./";
    // O_TMPFILE gives a file without a name; file systems without it get a
    // named one, unlinked straight away.
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::string name = dir + "velmora-scratch-XXXXXX";
        fd = mkostemp(&name[0], O_CLOEXEC);
        if (fd < 0) return false;
        unlink(name.c_str());
    }
    if (size > 0 && posix_fallocate(fd, 0, static_cast<off_t>(size)) != 0) {
        close(fd);
        return false;
    }
    m_fd = fd;
    m_nSize = size;
    return true;
}

bool ScratchFile::Write(uint64_t offset, const void* data, size_t length) {
    if (m_fd < 0 || offset > m_nSize || length > m_nSize - offset) return false;
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t n = pwrite(m_fd, p, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n, offset += static_cast<uint64_t>(n), length -= static_cast<size_t>(n);
    }
    return true;
}

bool ScratchFile::Read(uint64_t offset, void* data, size_t length) {
    if (m_fd < 0 || offset > m_nSize || length > m_nSize - offset) return false;
    char* p = static_cast<char*>(data);
    while (length > 0) {
        ssize_t n = pread(m_fd, p, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n, offset += static_cast<uint64_t>(n), length -= static_cast<size_t>(n);
    }
    return true;
}

void ScratchFile::Prefetch(uint64_t offset, uint64_t length) {
    if (m_fd >= 0 && length) posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_WILLNEED);
}

void ScratchFile::AdviseSequential() {
    if (m_fd >= 0) posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

}  // namespace velmora
