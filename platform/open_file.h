// Opening a path without waiting. A plain open() of a FIFO blocks until a
// peer opens the other end, so a host's call could hang for ever on a path
// it was given. Reading takes regular files only: a FIFO or a device may
// never deliver what a reader waits for, and every reader seeks.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace velmora {

// open(path, flags | O_CLOEXEC) with O_NONBLOCK for the open only: the
// descriptor then reads and writes as usual. Refuses a directory (EISDIR)
// and, when reading only, anything but a regular file (EINVAL). Fills *st.
// -1 with *osError set on failure.
int OpenWithoutWaiting(const char* path, int flags, struct stat* st, int* osError);

// A regular file opened read-only, for readers that hand the descriptor to a
// library (libtiff, stdio); -1 when it cannot be had.
int OpenForReading(const char* path);

// The same as a stdio stream ("rb"), for libraries that read through one
// (libpng); null when it cannot be had.
FILE* OpenStreamForReading(const char* path);

// Gives `stream` a 256 KiB buffer of its own, before its first transfer:
// libpng and libjpeg ask a few KiB a call, and glibc ignores the size asked
// for when it allocates the buffer itself. Keep the result until the stream
// is closed.
std::unique_ptr<char[]> GiveStreamBuffer(FILE* stream);

}  // namespace velmora
