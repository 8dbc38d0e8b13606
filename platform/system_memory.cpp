// Physical-memory figures: the kernel's, lowered to the control group's
// memory limit, since a container's limit is what the library can really use.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "velmora/system.h"

namespace {

struct MemoryFigures {
    uint64_t total = 0;
    uint64_t avail = 0;
    uint64_t swapTotal = 0;
    uint64_t swapFree = 0;
};

std::mutex g_overrideLock;
bool g_overridden = false;
uint64_t g_overrideTotal = 0;
uint64_t g_overrideAvail = 0;
std::atomic<uint64_t> g_processLimit{0};

// Values of the "Name:   N kB" lines of /proc/meminfo we need.
MemoryFigures ReadMeminfo() {
    MemoryFigures figures;
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        char name[64];
        unsigned long long kb = 0;
        if (std::sscanf(line.c_str(), "%63[^:]: %llu", name, &kb) != 2) continue;
        uint64_t bytes = static_cast<uint64_t>(kb) * 1024u;
        if (std::strcmp(name, "MemTotal") == 0) figures.total = bytes;
        else if (std::strcmp(name, "MemAvailable") == 0) figures.avail = bytes;
        else if (std::strcmp(name, "SwapTotal") == 0) figures.swapTotal = bytes;
        else if (std::strcmp(name, "SwapFree") == 0) figures.swapFree = bytes;
    }
    if (figures.avail > figures.total) figures.avail = figures.total;
    return figures;
}

// A number from a one-line control-group file; false for "max", absent files
// and the huge values cgroup v1 uses for "no limit".
bool ReadLimitFile(const std::string& path, uint64_t* value) {
    std::ifstream in(path);
    unsigned long long v = 0;
    if (!(in >> v)) return false;
    if (v >= (1ull << 62)) return false;
    *value = static_cast<uint64_t>(v);
    return true;
}

// The process's control-group path for a hierarchy: the "0::" line for v2,
// the line naming the memory controller for v1.
std::string CgroupPath(bool v2) {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        size_t first = line.find(':');
        size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        std::string controllers = line.substr(first + 1, second - first - 1);
        bool match = v2 ? line.compare(0, first, "0") == 0 && controllers.empty()
                        : ("," + controllers + ",").find(",memory,") != std::string::npos;
        if (match) return line.substr(second + 1);
    }
    return std::string();
}

// The group's directory and each of its ancestors up to the mount point;
// inside a container the group's own path may not be visible, but the mount
// point (the container's group) still is.
std::vector<std::string> GroupDirectories(const std::string& mount, std::string path) {
    std::vector<std::string> dirs;
    while (!path.empty() && path != "/") {
        dirs.push_back(mount + path);
        size_t slash = path.rfind('/');
        path = slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    dirs.push_back(mount);
    return dirs;
}

// The value of `name` in a group's memory.stat, 0 when absent.
uint64_t ReadStatField(const std::string& path, const char* name) {
    std::ifstream in(path);
    std::string key;
    unsigned long long value = 0;
    while (in >> key >> value)
        if (key == name) return static_cast<uint64_t>(value);
    return 0;
}

// Lowers total and available memory to the tightest limit on the way up the
// group hierarchy. A group's usage counts the file cache it has read through;
// the inactive part of it is reclaimed on demand, so it counts as available,
// as the kernel's own MemAvailable counts it (else a group that has just read
// a large file would report no memory at all).
void ApplyGroupLimits(const std::vector<std::string>& dirs, const char* limitName, const char* usageName,
                      const char* inactiveFileName, MemoryFigures* figures) {
    for (const std::string& dir : dirs) {
        uint64_t limit = 0;
        if (!ReadLimitFile(dir + "/" + limitName, &limit)) continue;
        uint64_t usage = 0;
        ReadLimitFile(dir + "/" + usageName, &usage);
        const uint64_t reclaimable = ReadStatField(dir + "/memory.stat", inactiveFileName);
        usage = reclaimable < usage ? usage - reclaimable : 0;
        uint64_t left = usage < limit ? limit - usage : 0;
        if (limit < figures->total) figures->total = limit;
        if (left < figures->avail) figures->avail = left;
    }
}

void ApplyCgroupLimits(MemoryFigures* figures) {
    std::string v2 = CgroupPath(true);
    if (!v2.empty()) {
        for (const char* mount : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"})
            ApplyGroupLimits(GroupDirectories(mount, v2), "memory.max", "memory.current", "inactive_file", figures);
    }
    std::string v1 = CgroupPath(false);
    if (!v1.empty())
        ApplyGroupLimits(GroupDirectories("/sys/fs/cgroup/memory", v1), "memory.limit_in_bytes",
                         "memory.usage_in_bytes", "total_inactive_file", figures);
}

// The process's resident bytes (second field of /proc/self/statm, in pages).
uint64_t ResidentBytes() {
    std::ifstream in("/proc/self/statm");
    unsigned long long size = 0, resident = 0;
    if (!(in >> size >> resident)) return 0;
    return static_cast<uint64_t>(resident) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

void ApplyProcessLimit(MemoryFigures* figures) {
    const uint64_t limit = g_processLimit.load(std::memory_order_relaxed);
    if (limit == 0) return;
    const uint64_t resident = ResidentBytes();
    const uint64_t left = resident < limit ? limit - resident : 0;
    if (limit < figures->total) figures->total = limit;
    if (left < figures->avail) figures->avail = left;
}

MemoryFigures CurrentFigures() {
    {
        std::lock_guard<std::mutex> lock(g_overrideLock);
        if (g_overridden) {
            MemoryFigures fixed;
            fixed.total = g_overrideTotal;
            fixed.avail = g_overrideAvail;
            return fixed;
        }
    }
    MemoryFigures figures = ReadMeminfo();
    ApplyCgroupLimits(&figures);
    ApplyProcessLimit(&figures);
    return figures;
}

}  // namespace

void GlobalMemoryStatus(MEMORYSTATUS* status) {
    if (!status) return;
    MemoryFigures figures = CurrentFigures();
    *status = MEMORYSTATUS{};
    status->dwLength = static_cast<DWORD>(sizeof(MEMORYSTATUS));
    status->dwTotalPhys = figures.total;
    status->dwAvailPhys = figures.avail;
    uint64_t used = figures.total > figures.avail ? figures.total - figures.avail : 0;
    status->dwMemoryLoad = used >= figures.total ? (figures.total ? 100 : 0)
                                                 : static_cast<DWORD>(used * 100 / figures.total);
    status->dwTotalPageFile = figures.total + figures.swapTotal;
    status->dwAvailPageFile = figures.avail + figures.swapFree;
    // A 47-bit user address space.
    status->dwTotalVirtual = 1ull << 47;
    status->dwAvailVirtual = 1ull << 47;
}

void SetProcessMemoryLimit(uint64_t bytes) { g_processLimit.store(bytes, std::memory_order_relaxed); }

uint64_t GetProcessMemoryLimit() { return g_processLimit.load(std::memory_order_relaxed); }

void SetMemoryStatusOverride(uint64_t totalPhys, uint64_t availPhys) {
    std::lock_guard<std::mutex> lock(g_overrideLock);
    g_overridden = true;
    g_overrideTotal = totalPhys;
    g_overrideAvail = availPhys;
}

void ClearMemoryStatusOverride() {
    std::lock_guard<std::mutex> lock(g_overrideLock);
    g_overridden = false;
}

uint32_t GetAllocationGranularity() { return 65536u; }
