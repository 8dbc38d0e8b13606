// Faults a test can put the process in for a while (a small or read-only
// file system, a file-size limit) and a look at what the process holds (open
// descriptors, mappings), so a test can check that a failure left nothing.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include <gtest/gtest.h>
#include <string>

#include "support/test_support.h"

namespace vtest {

// A tmpfs of `bytes` mounted on a fresh directory (needs the right to mount:
// root here). ok() is false where mounting is not allowed; tests skip then.
class ScopedTmpfs {
public:
    explicit ScopedTmpfs(uint64_t bytes, bool readOnly = false) {
        const std::string options = "size=" + std::to_string(bytes);
        m_mounted = mount("tmpfs", m_dir.path().c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0;
    }
    ~ScopedTmpfs() {
        if (m_mounted) umount2(m_dir.path().c_str(), MNT_DETACH);
    }
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool ok() const { return m_mounted; }
    std::string dir() const { return m_dir.dir(); }
    std::string file(const std::string& name) const { return m_dir.file(name); }
    std::vector<std::string> List() const { return m_dir.List(); }
    std::vector<std::string> Held() const { return m_dir.Held(); }

private:
    TempDir m_dir;
    bool m_mounted = false;
};

// No file of this process may grow past `bytes` while the object lives;
// SIGXFSZ is ignored, so a write past it fails with EFBIG instead of ending
// the process.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(uint64_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &m_previousAction);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        struct rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        sigaction(SIGXFSZ, &m_previousAction, nullptr);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    bool ok() const { return m_ok; }

private:
    struct rlimit m_previous {};
    struct sigaction m_previousAction {};
    bool m_ok = false;
};

inline int CountEntries(const char* directory) {
    int n = 0;
    if (DIR* d = opendir(directory)) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// Names in a directory, sorted.
inline std::vector<std::string> TempDirListing(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* d = opendir(directory.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Where every test's files lie: $TMPDIR.
inline std::string TestFilesRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// Open descriptors (less the one that lists them) and mappings of the
// process, and those of its mappings that name a file under `directory`
// (page files, and input files a library maps). The total count moves with
// the allocator's own bookkeeping, so it is only reported.
struct ProcessResources {
    int descriptors = 0;
    int mappings = 0;
    int fileMappings = 0;

    static ProcessResources Now(const std::string& directory = TestFilesRoot()) {
        ProcessResources r;
        r.descriptors = CountEntries("/proc/self/fd") - 1;
        std::ifstream maps("/proc/self/maps");
        std::string line;
        while (std::getline(maps, line)) {
            ++r.mappings;
            if (!directory.empty() && line.find(directory) != std::string::npos) ++r.fileMappings;
        }
        return r;
    }
    // Nothing opened or mapped since `before` is still held.
    bool HoldsNoMoreThan(const ProcessResources& before) const {
        return descriptors <= before.descriptors && fileMappings <= before.fileMappings;
    }
};

inline std::ostream& operator<<(std::ostream& out, const ProcessResources& r) {
    return out << r.descriptors << " descriptors, " << r.mappings << " mappings (" << r.fileMappings
               << " of files under test)";
}

// After an operation: nothing it opened or mapped is still held.
inline ::testing::AssertionResult LeftNothing(const ProcessResources& before) {
    const ProcessResources after = ProcessResources::Now();
    if (after.HoldsNoMoreThan(before)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "before: " << before << "; after: " << after;
}

}  // namespace vtest
