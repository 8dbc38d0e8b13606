// Read-write file mappings over page files: the file is created exclusively,
// its whole size reserved at once, and views are mapped at offsets that are
// multiples of GetAllocationGranularity().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora {

// An open page file. `fd` is -1 when closed.
struct FileMapping {
    int fd = -1;
    uint64_t size = 0;
    std::string name;  // the name it was made under (gone from the disk)

    bool IsOpen() const { return fd >= 0; }
};

// Creates a file without a name (O_TMPFILE) in `path`'s directory, or where
// the file system has none, `path` itself with its name removed at once, so
// the file lives exactly as long as it is open or mapped and no way of
// ending the process leaves it behind. `path` must not exist yet. Locks it exclusively so no other
// image or process shares it, and reserves `size` bytes on disk, so a full
// disk fails here rather than at a later write through a view. On failure
// nothing stays open or on disk.
bool CreatePageFileMapping(const char* path, uint64_t size, FileMapping* mapping);

// Maps [offset, offset + length) of the file for reading and writing.
// `offset` must be a multiple of the allocation granularity and the range
// must lie inside the file. Null on failure.
uint8_t* MapFileView(const FileMapping& mapping, uint64_t offset, uint64_t length);

// Unmaps a view returned by MapFileView (the same length). Its dirty pages
// stay in the page cache for write-back and leave the process's resident
// set. Null is ignored.
void UnmapFileView(uint8_t* view, uint64_t length);

// Asks the kernel to start reading a view's pages in now, in the background,
// so that the rows a walk reaches next are already there. (Marking views
// sequential instead made every fault on a fresh page file scan the whole
// readahead window: seconds for the scattered rows of an interlaced image.)
void PrefetchView(uint8_t* view, uint64_t length);

// Starts writing back [offset, offset + length) of the file without waiting.
void StartWriteBack(const FileMapping& mapping, uint64_t offset, uint64_t length);
// Lets the kernel drop the range's pages from its cache (clean ones go at
// once; pages still being written back stay until they are clean).
void DropCachedRange(const FileMapping& mapping, uint64_t offset, uint64_t length);

// Closes the file (and drops its lock); the mapping becomes closed.
void CloseFileMapping(FileMapping* mapping);

// True while a page file made under `path` is open in this process: its
// name is gone from the disk, but no other image of the process is given it.
bool PageFileNameHeld(const char* path);

// Number of views mapped by this process so far. Lets tests see whether a
// request was served from the current view or needed a new one.
uint64_t FileMappingViewCount();

// Test seam: after `views` more views have been mapped, every further view
// fails as a refused mmap would (address space exhausted, say), until
// ClearFileViewFailure.
void FailFileViewsAfter(uint64_t views);
void ClearFileViewFailure();

}  // namespace velmora
