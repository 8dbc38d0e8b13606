// Fuzzes the PCX reader. Each input is written to a file and read twice, with
// every image in memory and with page files and the smallest row windows; the
// two reads must agree (result, failure text, every row byte). An image of 1,
// 4 or 8 bits must save and read back to the same rows; any other must refuse
// to save and leave no file. Nothing may be left in the directory once the
// images are gone.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "velmora/newdib.h"

namespace {

struct Outcome {
    int ok = 0;
    std::string failure;
    int width = 0, height = 0, bitCount = 0;
    uint64_t digest = 0;
};

// FNV-1a over every byte of every row, padding included.
uint64_t RowsDigest(CNewDIB& dib) {
    uint64_t hash = 1469598103934665603ull;
    for (int row = 0; row < dib.GetHeight(); ++row) {
        const BYTE* p = dib.GetDIBRow(row);
        FUZZ_CHECK(p != nullptr);
        for (unsigned long i = 0; i < dib.GetBytesPerLine(); ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    }
    return hash;
}

Outcome Describe(CNewDIB& dib, int ok) {
    Outcome out;
    out.ok = ok;
    out.failure = static_cast<const char*>(dib.GetLastErrorText());
    if (ok) out.width = dib.GetWidth(), out.height = dib.GetHeight(), out.bitCount = dib.GetBitCount();
    if (ok) out.digest = RowsDigest(dib);
    return out;
}

void SaveAndReadBack(CNewDIB& dib, const Outcome& read, const std::string& path) {
    const int bits = dib.GetBitCount();
    const int saved = dib.SaveFile(CString(path.c_str()), DIBTYPE_PCX, 0);
    if (bits != 1 && bits != 4 && bits != 8) {
        FUZZ_CHECK(saved == 0 && !vtest::FileExists(path));
        return;
    }
    FUZZ_CHECK(saved == 1);
    CNewDIB back;
    FUZZ_CHECK(back.ReadFile(CString(path.c_str()), DIBTYPE_PCX) == 1);
    const Outcome again = Describe(back, 1);
    FUZZ_CHECK(again.width == read.width && again.height == read.height && again.bitCount == read.bitCount);
    FUZZ_CHECK(again.digest == read.digest);
    std::remove(path.c_str());
}

Outcome ReadOnce(const vfuzz::Session& session, vfuzz::Storage mode, const std::string& input) {
    Outcome outcome;
    {
        vfuzz::ScopedStorage storage(mode, session.Dir());
        CNewDIB dib;
        outcome = Describe(dib, dib.ReadFile(CString(input.c_str()), DIBTYPE_PCX));
        FUZZ_CHECK(outcome.ok ? outcome.failure.empty() : !outcome.failure.empty());
        if (outcome.ok) SaveAndReadBack(dib, outcome, session.Dir().file("out.pcx"));
    }
    vfuzz::CheckNoLeftovers(session.Dir(), "in.pcx");
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vfuzz::Session session;
    const std::string input = session.Dir().file("in.pcx");
    vtest::WriteAll(input, std::vector<unsigned char>(data, data + size));
    const Outcome memory = ReadOnce(session, vfuzz::Storage::kMemory, input);
    const Outcome paged = ReadOnce(session, vfuzz::Storage::kPageFile, input);
    FUZZ_CHECK(memory.ok == paged.ok && memory.failure == paged.failure);
    FUZZ_CHECK(memory.digest == paged.digest && memory.width == paged.width && memory.bitCount == paged.bitCount);
    return 0;
}
