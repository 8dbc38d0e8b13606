// Page-file mappings with open (O_TMPFILE), flock, posix_fallocate and mmap.
#include "platform/file_mapping.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>
#include <mutex>
#include <set>
#include <string>

#include "platform/system_error.h"
#include "velmora/system.h"

namespace velmora {

namespace {

std::atomic<uint64_t> g_viewCount{0};
// Names of the page files open in this process.
std::mutex g_heldNamesLock;
std::multiset<std::string> g_heldNames;
// Views still allowed before the failure seam refuses them; -1: no seam.
std::atomic<int64_t> g_viewsBeforeFailure{-1};

bool ViewRefusedBySeam() {
    int64_t left = g_viewsBeforeFailure.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (left == 0) return true;
        if (g_viewsBeforeFailure.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return false;
    }
    return false;
}

bool FitsOffset(uint64_t value) { return value <= static_cast<uint64_t>(std::numeric_limits<off_t>::max()); }

// posix_fallocate reports its error as the result, not through errno.
bool ReserveWholeFile(int fd, uint64_t size) {
    int rc;
    do {
        rc = posix_fallocate(fd, 0, static_cast<off_t>(size));
    } while (rc == EINTR);
    NoteSystemError(rc);
    return rc == 0;
}

std::string DirectoryOf(const char* path) {
    const std::string text = path;
    const size_t slash = text.rfind('/');
    return slash == std::string::npos ? "." : text.substr(0, slash + 1);
}

// A page file without a name (O_TMPFILE) in the directory `path` names, so
// no process, however it ends, leaves one behind. The name is still checked:
// a file that has it is someone else's, and the caller passes the name over.
int OpenNamelessPageFile(const char* path) {
    if (access(path, F_OK) == 0) {
        errno = EEXIST;
        return -1;
    }
    return open(DirectoryOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

// Where the file system has no O_TMPFILE: the named file, created
// exclusively (a file that exists is someone else's and is never taken over
// nor deleted), loses its name at once. The open descriptor keeps the file,
// which the system frees when the last descriptor and view go. Nothing
// reopens a page file by its name.
int OpenNamedPageFile(const char* path) {
    const int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) unlink(path);
    return fd;
}

}  // namespace

bool CreatePageFileMapping(const char* path, uint64_t size, FileMapping* mapping) {
    if (!path || !*path || !mapping || size == 0 || !FitsOffset(size)) return false;
    int fd = OpenNamelessPageFile(path);
    if (fd < 0 && errno != EEXIST) fd = OpenNamedPageFile(path);
    if (fd < 0) {
        NoteSystemError(errno);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !ReserveWholeFile(fd, size)) {
        close(fd);
        return false;
    }
    mapping->fd = fd;
    mapping->size = size;
    mapping->name = path;
    std::lock_guard<std::mutex> lock(g_heldNamesLock);
    g_heldNames.insert(mapping->name);
    return true;
}

uint8_t* MapFileView(const FileMapping& mapping, uint64_t offset, uint64_t length) {
    if (!mapping.IsOpen() || length == 0 || offset % GetAllocationGranularity() != 0) return nullptr;
    if (offset > mapping.size || length > mapping.size - offset) return nullptr;
    if (length > std::numeric_limits<size_t>::max() || ViewRefusedBySeam()) return nullptr;
    void* view = mmap(nullptr, static_cast<size_t>(length), PROT_READ | PROT_WRITE, MAP_SHARED, mapping.fd,
                      static_cast<off_t>(offset));
    if (view == MAP_FAILED) return nullptr;
    g_viewCount.fetch_add(1, std::memory_order_relaxed);
    return static_cast<uint8_t*>(view);
}

void UnmapFileView(uint8_t* view, uint64_t length) {
    if (!view || length == 0) return;
    munmap(view, static_cast<size_t>(length));
}

void PrefetchView(uint8_t* view, uint64_t length) {
    if (view && length) madvise(view, static_cast<size_t>(length), MADV_WILLNEED);
}

void StartWriteBack(const FileMapping& mapping, uint64_t offset, uint64_t length) {
    if (mapping.IsOpen() && length)
        sync_file_range(mapping.fd, static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
}

void DropCachedRange(const FileMapping& mapping, uint64_t offset, uint64_t length) {
    if (mapping.IsOpen() && length)
        posix_fadvise(mapping.fd, static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_DONTNEED);
}

void CloseFileMapping(FileMapping* mapping) {
    if (!mapping || !mapping->IsOpen()) return;
    close(mapping->fd);
    mapping->fd = -1;
    mapping->size = 0;
    std::lock_guard<std::mutex> lock(g_heldNamesLock);
    const auto held = g_heldNames.find(mapping->name);
    if (held != g_heldNames.end()) g_heldNames.erase(held);
    mapping->name.clear();
}

bool PageFileNameHeld(const char* path) {
    std::lock_guard<std::mutex> lock(g_heldNamesLock);
    return path && g_heldNames.count(path) != 0;
}

uint64_t FileMappingViewCount() { return g_viewCount.load(std::memory_order_relaxed); }

void FailFileViewsAfter(uint64_t views) {
    g_viewsBeforeFailure.store(static_cast<int64_t>(std::min<uint64_t>(views, INT64_MAX)), std::memory_order_relaxed);
}

void ClearFileViewFailure() { g_viewsBeforeFailure.store(-1, std::memory_order_relaxed); }

}  // namespace velmora
