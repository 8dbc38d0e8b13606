// The file formats, for tests that run the same case through every
// reader and writer. A format counts as built when a small image saves and
// reads back through it, so these tests take in each codec as it lands.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/scoped_faults.h"
#include "velmora/formats.h"
#include "velmora/newdib.h"

namespace vtest {

struct Format {
    const char* ext;     // what ReadFile dispatches on
    const char* folder;  // tests/data/<folder>
};

// Every row of the library's format table: its extension in lower case, which
// also names its folder of test files.
inline const std::vector<Format>& AllFormats() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> lower;
        for (int code = 0; code < velmora::FileFormatCount(); ++code) {
            std::string ext = velmora::FileFormats()[code].extension;
            for (char& c : ext) c = static_cast<char>(c - 'A' + 'a');
            lower.push_back(ext);
        }
        return lower;
    }();
    static const std::vector<Format> formats = [] {
        std::vector<Format> rows;
        for (const std::string& name : names) rows.push_back({name.c_str(), name.c_str()});
        return rows;
    }();
    return formats;
}

// A picture every format can hold: 8-bit, a grey ramp table, a diagonal
// pattern (GIF saves only 8-bit images).
inline void FillSample(CNewDIB& dib) {
    int entries = 0;
    if (RGBQUAD* table = dib.GetRGBQuad(&entries))
        for (int i = 0; i < entries; ++i)
            table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    for (int r = 0; r < dib.GetHeight(); ++r) {
        BYTE* row = dib.GetDIBRow(r);
        for (unsigned long i = 0; row && i < dib.GetBytesPerLine(); ++i) row[i] = static_cast<BYTE>(r * 3 + i * 5);
    }
}

// Writes a width x height 8-bit sample as `path` (its extension chooses the
// format). False when the format's writer is not built or fails.
inline bool WriteSample(const std::string& path, int width, int height) {
    CNewDIB dib(width, height, 8);
    FillSample(dib);
    return dib.SaveFile(path.c_str(), -1, 0) == 1;
}

// The formats whose writer and reader both work, each with a sample file of
// width x height in `dir`.
struct BuiltFormat {
    Format format;
    std::string sample;
};
inline std::vector<BuiltFormat> BuiltFormats(const TempDir& dir, int width, int height) {
    std::vector<BuiltFormat> built;
    for (const Format& f : AllFormats()) {
        const std::string path = dir.file(std::string("sample.") + f.ext);
        CNewDIB back;
        if (WriteSample(path, width, height) && back.ReadFile(path.c_str(), -1) == 1) built.push_back({f, path});
    }
    return built;
}

// A document holding a small image of its own, to tell after a failed read
// whether it was left as it was or released.
class HeldDocument {
public:
    HeldDocument() : m_dib(5, 3, 8) { FillSample(m_dib); }
    CNewDIB& dib() { return m_dib; }
    // Unchanged (same size and rows) or released, as a failed read may leave it.
    bool UnchangedOrReleased() {
        if (!m_dib.Ready()) return true;
        CNewDIB fresh(5, 3, 8);
        FillSample(fresh);
        if (m_dib.GetWidth() != 5 || m_dib.GetHeight() != 3 || m_dib.GetBitCount() != 8) return false;
        for (int r = 0; r < 3; ++r)
            if (std::memcmp(m_dib.GetDIBRow(r), fresh.GetDIBRow(r), fresh.GetBytesPerLine()) != 0) return false;
        return true;
    }

private:
    CNewDIB m_dib;
};

}  // namespace vtest
