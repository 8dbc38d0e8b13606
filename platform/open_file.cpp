#include "platform/open_file.h"

#include "platform/system_error.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace velmora {

namespace {

int Unusable(const struct stat& st, int flags) {
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if ((flags & O_ACCMODE) == O_RDONLY && !S_ISREG(st.st_mode)) return EINVAL;
    return 0;
}

}  // namespace

int OpenWithoutWaiting(const char* path, int flags, struct stat* st, int* osError) {
    int fd = open(path, flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        *osError = errno;
        return -1;
    }
    int failure = 0;
    int status = fcntl(fd, F_GETFL);
    if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) failure = errno;
    else if (fstat(fd, st) != 0) failure = errno;
    else failure = Unusable(*st, flags);
    if (failure) {
        close(fd);
        *osError = failure;
        return -1;
    }
    return fd;
}

int OpenForReading(const char* path) {
    struct stat st;
    int osError = 0;
    const int fd = path ? OpenWithoutWaiting(path, O_RDONLY, &st, &osError) : -1;
    // Readers on libpng, libjpeg and libtiff open through here: keep the
    // system's reason for the host, as CFile does for the others.
    if (fd < 0) NoteSystemError(osError);
    return fd;
}

FILE* OpenStreamForReading(const char* path) {
    const int fd = OpenForReading(path);
    FILE* stream = fd < 0 ? nullptr : fdopen(fd, "rb");
    if (!stream && fd >= 0) close(fd);
    return stream;
}

std::unique_ptr<char[]> GiveStreamBuffer(FILE* stream) {
    constexpr size_t kBytes = 256 * 1024;
    auto buffer = std::make_unique<char[]>(kBytes);
    std::setvbuf(stream, buffer.get(), _IOFBF, kBytes);
    return buffer;
}

}  // namespace velmora
