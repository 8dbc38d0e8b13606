// The facade's process-wide settings over the library's.
#include "velmora/environment.h"
#include "velmora/image.hpp"
#include "velmora/system.h"

namespace velmora {

void set_memory_limit(std::uint64_t bytes) { SetProcessMemoryLimit(bytes); }

std::uint64_t memory_limit() { return GetProcessMemoryLimit(); }

void set_virtual_dir(const std::string& path) {
    // Page-file names are appended to the directory as it stands.
    std::string directory = path;
    if (!directory.empty() && directory.back() != '/') directory += '/';
    SetVirtualDirectory(directory.c_str());
}

std::string virtual_dir() { return GetVirtualDirectory().str(); }

}  // namespace velmora
