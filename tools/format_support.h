// What the library reads and writes in each format, as `velmora formats`
// prints it. README.md's table of formats must say the same: a test
// (tests/tools/readme_formats_test.cpp) compares them row by row.
#pragma once

namespace velmora::cli {

struct FormatSupport {
    const char* name;    // "BMP"
    const char* reads;   // one line
    const char* writes;  // one line
};

// One row per format, in format-code order; ends with a row of nulls.
const FormatSupport* SupportedFormats();

}  // namespace velmora::cli
