// Knowing a file's format by its first bytes, without waiting on a FIFO.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/open_file.h"
#include "velmora/formats.h"

namespace velmora {

int FormatOfContent(const char* path, int* osError) {
    struct stat st;
    int err = 0;
    const int fd = OpenWithoutWaiting(path, O_RDONLY, &st, &err);
    if (fd < 0) {
        *osError = err;
        return -2;
    }
    unsigned char head[8] = {};
    ssize_t got;
    do got = read(fd, head, sizeof head);
    while (got < 0 && errno == EINTR);
    err = got < 0 ? errno : 0;
    close(fd);
    if (got < 0) {
        *osError = err;
        return -2;
    }
    return FormatOfSignature(head, static_cast<size_t>(got));
}

}  // namespace velmora
