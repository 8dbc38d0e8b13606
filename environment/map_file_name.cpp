// Page-file names: "Page%X.dat" in the virtual directory.
#include "environment/map_file_name.h"

#include "platform/file_mapping.h"
#include "velmora/environment.h"
#include "velmora/system.h"

namespace velmora {

namespace {

constexpr long kCandidateCount = 65536;  // every 16-bit number once

CString MapFileCandidate(const CString& directory, WORD n) {
    CString name;
    name.Format("Page%X.dat", static_cast<unsigned>(n));
    return directory + name;
}

}  // namespace

CString FirstFreeMapFileName(const CString& directory, WORD start,
                             const std::function<bool(const CString&)>& isTaken) {
    WORD n = start;
    for (long tried = 0; tried < kCandidateCount; tried++, n++) {
        CString candidate = MapFileCandidate(directory, n);
        if (!isTaken(candidate)) return candidate;
    }
    // Every name is taken: an empty name makes the caller fail to create its
    // page file instead of searching for ever.
    return CString();
}

WORD MapFileNameStart() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return static_cast<WORD>(now.wMinute * now.wSecond);
}

}  // namespace velmora

// Files count as taken, and so do the names of this process's open page
// files (whose names are gone from the disk); the name is not reserved, the
// caller creates the file at once.
CString CreateMapFileName() {
    return velmora::FirstFreeMapFileName(GetVirtualDirectory(), velmora::MapFileNameStart(), [](const CString& name) {
        return FileIsExist(name) != 0 || velmora::PageFileNameHeld(name);
    });
}
