// Free space of a file system, for limits on what the library writes there.
#pragma once

#include <cstdint>

namespace velmora {

// Bytes an unprivileged process may still write on the file system holding
// `directory` (statvfs: available blocks times fragment size). False when
// the directory cannot be examined (it vanished, say).
bool FreeDiskBytes(const char* directory, uint64_t* bytes);

}  // namespace velmora
