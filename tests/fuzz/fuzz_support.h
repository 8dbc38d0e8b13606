// Shared set-up of the fuzz harnesses: a private temporary directory, silent
// message boxes, the two storage set-ups every input runs under, and checks
// that abort (so libFuzzer keeps the input) when an invariant breaks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "velmora/application.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"
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

// ---------------------------------------------------------------------------
// Reader harnesses: write the bytes to a file, read it with every image in
// memory and again with page files, and hold both reads to the same rules.

namespace vfuzz {

// The run's one directory (the virtual directory and every file a harness writes).
inline const Session& TheSession() {
    static Session session;
    return session;
}

// Writes the input to "in.<ext>" in the session directory and returns its path.
inline std::string WriteInput(const Session& session, const char* ext, const uint8_t* data, size_t size) {
    const std::string path = session.Dir().file(std::string("in.") + ext);
    vtest::WriteAll(path, std::vector<unsigned char>(data, data + size));
    return path;
}

// FNV-1a, the digest the harnesses compare reads with.
inline uint64_t Mix(uint64_t hash, const BYTE* p, size_t n) {
    for (size_t i = 0; i < n; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

// The bits of every pixel, row padding left out (codecs need not agree on it).
inline uint64_t PixelDigest(CNewDIB& dib) {
    uint64_t hash = 1469598103934665603ull;
    const uint64_t bits = static_cast<uint64_t>(dib.GetWidth()) * static_cast<uint64_t>(dib.GetBitCount());
    const size_t whole = static_cast<size_t>(bits / 8);
    const BYTE mask = static_cast<BYTE>(0xFF00 >> (bits % 8));
    for (int row = 0; row < dib.GetHeight(); ++row) {
        const BYTE* p = dib.GetDIBRow(row);
        FUZZ_CHECK(p != nullptr);
        hash = Mix(hash, p, whole);
        if (bits % 8) {
            const BYTE last = static_cast<BYTE>(p[whole] & mask);
            hash = Mix(hash, &last, 1);
        }
    }
    return hash;
}

// What one read gave.
struct Outcome {
    int ok = 0;
    std::string failure;
    int width = 0, height = 0, bitCount = 0;
    uint64_t digest = 0;

    bool SameImage(const Outcome& other) const {
        return width == other.width && height == other.height && bitCount == other.bitCount && digest == other.digest;
    }
};

inline Outcome Describe(CNewDIB& dib, int ok) {
    Outcome out;
    out.ok = ok;
    out.failure = static_cast<const char*>(dib.GetLastErrorText());
    if (!ok) return out;
    out.width = dib.GetWidth();
    out.height = dib.GetHeight();
    out.bitCount = dib.GetBitCount();
    out.digest = PixelDigest(dib);
    return out;
}

// How an image read back from its own format must compare with the one saved.
enum class RoundTrip { kSamePixels, kSameSize };

// Bit counts as a set: bit n stands for n-bit images.
inline uint64_t Bits(std::initializer_list<int> counts) {
    uint64_t set = 0;
    for (int n : counts) set |= uint64_t{1} << n;
    return set;
}

// Saves `dib` in `format` to `path`. Images of the bit counts in `mustSave`
// must save; a save that succeeds must read back (with the same pixels, or for
// lossy formats the same size); one that fails must leave no file behind.
inline void SaveAndReadBack(CNewDIB& dib, int format, const std::string& path, RoundTrip rule, uint64_t mustSave) {
    const Outcome before = Describe(dib, 1);
    if (!dib.SaveFile(CString(path.c_str()), format, 0)) {
        FUZZ_CHECK(!(mustSave & Bits({before.bitCount})));
        FUZZ_CHECK(!vtest::FileExists(path));
        return;
    }
    CNewDIB back;
    const Outcome after = Describe(back, back.ReadFile(CString(path.c_str()), format));
    FUZZ_CHECK(after.ok == 1);
    FUZZ_CHECK(after.width == before.width && after.height == before.height);
    if (rule == RoundTrip::kSamePixels) FUZZ_CHECK(after.SameImage(before));
    std::remove(path.c_str());
}

// Reads `input` as `format` under one storage set-up; a read that succeeds has
// no failure text and is handed to `afterRead(dib)`, one that fails has a
// text. Nothing but the input may remain in the directory afterwards.
template <class AfterRead>
Outcome ReadOnce(const Session& session, Storage mode, int format, const std::string& input, AfterRead afterRead) {
    Outcome outcome;
    {
        ScopedStorage storage(mode, session.Dir());
        CNewDIB dib;
        outcome = Describe(dib, dib.ReadFile(CString(input.c_str()), format));
        FUZZ_CHECK(outcome.ok ? outcome.failure.empty() : !outcome.failure.empty());
        if (outcome.ok) afterRead(dib);
    }
    const std::string name = input.substr(input.find_last_of('/') + 1);
    CheckNoLeftovers(session.Dir(), name);
    return outcome;
}

// How the read in memory and the read in page files must agree.
enum class Agreement {
    kSame,
    // The page-file read (which runs with a few KiB of "free memory") may fail
    // where the read in memory succeeds, or with its own text where that
    // fails later (a cut file whose whole data the reader would hold): for
    // readers that bound their working memory by what is free.
    kPagedMayFail,
    // Same result and failure text, same size and depth, pixels free: for
    // damaged data that a library decodes differently strip by strip than row
    // by row (the two set-ups use either).
    kSameShape,
};

inline void CheckAgreement(const Outcome& memory, const Outcome& paged, Agreement agreement) {
    if (!paged.ok && agreement == Agreement::kPagedMayFail) return;
    FUZZ_CHECK(memory.ok == paged.ok && memory.failure == paged.failure);
    FUZZ_CHECK(memory.width == paged.width && memory.height == paged.height && memory.bitCount == paged.bitCount);
    if (agreement != Agreement::kSameShape) FUZZ_CHECK(memory.digest == paged.digest);
}

// The whole reader harness: the input read in memory and in page files, the
// two reads agreeing in result, failure text and every pixel.
template <class AfterRead>
void ReadBothWays(int format, const char* ext, const uint8_t* data, size_t size, AfterRead afterRead,
                  Agreement agreement = Agreement::kSame) {
    const Session& session = TheSession();
    const std::string input = WriteInput(session, ext, data, size);
    const Outcome memory = ReadOnce(session, Storage::kMemory, format, input, afterRead);
    const Outcome paged = ReadOnce(session, Storage::kPageFile, format, input, afterRead);
    CheckAgreement(memory, paged, agreement);
}

// The usual after-read check: save in the same format and read back.
inline auto SavesBack(int format, const char* ext, RoundTrip rule, uint64_t mustSave) {
    return [format, ext, rule, mustSave](CNewDIB& dib) {
        SaveAndReadBack(dib, format, TheSession().Dir().file(std::string("out.") + ext), rule, mustSave);
    };
}

}  // namespace vfuzz
