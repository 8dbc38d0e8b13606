// Fuzzes the header-only read: each input is given to ReadDIBFileInfo as every
// format. An info read that fails has a text, and ReadFile of that format
// fails with the same text; one that succeeds has none, and where ReadFile
// also succeeds (it may still fail on the data after the headers) the image
// has the size and depth the info gave. Nothing but the input may remain.
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "velmora/image_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vfuzz::Session& session = vfuzz::TheSession();
    const std::string input = vfuzz::WriteInput(session, "img", data, size);
    for (int format = DIBTYPE_BMP; format <= DIBTYPE_PNG; ++format) {
        vfuzz::ScopedStorage storage(vfuzz::Storage::kMemory, session.Dir());
        DIBFileInfo info;
        CString why;
        const int ok = ReadDIBFileInfo(CString(input.c_str()), format, &info, &why);
        FUZZ_CHECK(ok ? why.IsEmpty() : !why.IsEmpty());
        CNewDIB dib;
        const vfuzz::Outcome read = vfuzz::Describe(dib, dib.ReadFile(CString(input.c_str()), format));
        if (!ok) {
            FUZZ_CHECK(!read.ok && read.failure == static_cast<const char*>(why));
        } else if (read.ok) {
            FUZZ_CHECK(info.format == format && info.width == read.width && info.height == read.height);
            FUZZ_CHECK(info.bitCount == read.bitCount);
        }
    }
    vfuzz::CheckNoLeftovers(session.Dir(), "in.img");
    return 0;
}
