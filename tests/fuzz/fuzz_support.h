// Shared set-up of the fuzz harnesses: a private temporary directory, silent
// message boxes, the two storage set-ups every input runs under, and checks
// that abort (so libFuzzer keeps the input) when an invariant breaks.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "velmora/application.h"
#include "velmora/environment.h"
#include "velmora/newdibobject.h"
#include "velmora/system.h"

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

namespace vfuzz {

// One directory for the whole run; message boxes answer OK without a word.
class Session {
public:
    Session() {
        SetMessageBoxHandler([](const char*, const char*, UINT) { return IDOK; });
    }
    const vtest::TempDir& Dir() const { return m_dir; }

private:
    vtest::TempDir m_dir;
};

enum class Storage { kMemory, kPageFile };

// kMemory: every image in memory. kPageFile: every image above 1 KiB in a
// page file in the session directory, with the smallest row windows the
// 64 KiB mapping granularity allows (one granule plus a row), so that
// anything larger than that spans several windows.
class ScopedStorage {
public:
    ScopedStorage(Storage mode, const vtest::TempDir& dir) {
        SetVirtualDirectory(dir.dir().c_str());
        SetLoadImageNumber(1);
        if (mode == Storage::kMemory) {
            SetMemoryStatusOverride(uint64_t{64} << 30, uint64_t{64} << 30);
            SetImageUseMemSize(~0ul);
        } else {
            SetMemoryStatusOverride(32 * 1024, 32 * 1024);
            SetImageUseMemSize(1);
        }
    }
    ~ScopedStorage() { ClearMemoryStatusOverride(); }

private:
    vtest::ScopedSettings m_settings;
};

// Everything in the directory except `keep`; a page file or temporary left
// behind by an image that is gone is a leak.
inline std::vector<std::string> Leftovers(const vtest::TempDir& dir, const std::string& keep) {
    std::vector<std::string> out;
    for (const std::string& name : dir.List())
        if (name != keep) out.push_back(name);
    return out;
}

inline void CheckNoLeftovers(const vtest::TempDir& dir, const std::string& keep) {
    for (const std::string& name : Leftovers(dir, keep)) {
        std::fprintf(stderr, "left behind: %s\n", name.c_str());
        std::abort();
    }
}

}  // namespace vfuzz
