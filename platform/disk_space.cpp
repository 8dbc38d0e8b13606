// Free space from statvfs.
#include "platform/disk_space.h"

#include <sys/statvfs.h>

#include "platform/dib_geometry.h"

namespace velmora {

bool FreeDiskBytes(const char* directory, uint64_t* bytes) {
    struct statvfs fs;
    if (!directory || !*directory || statvfs(directory, &fs) != 0) return false;
    // A file system too large to count in 64 bits has room for anything.
    if (!CheckedProduct(fs.f_bavail, fs.f_frsize, bytes)) *bytes = UINT64_MAX;
    return true;
}

}  // namespace velmora
