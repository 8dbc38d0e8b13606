// The file formats, one row each: the only list of them. The document's
// dispatch, the dialog filters, the command-line tool, the C++ interface and
// the Python package all read these rows.
#pragma once

#include <cstddef>

namespace velmora {

// A set of bit counts (1 to 32): bit n stands for n-bit images.
using DepthSet = unsigned long;
constexpr DepthSet Depth(int bits) { return 1ul << bits; }
constexpr bool HoldsDepth(DepthSet set, int bits) { return bits >= 1 && bits <= 32 && (set & Depth(bits)) != 0; }

struct FileFormat {
    int code;               // DIBTYPE_*, the row's index in the table
    const char* name;       // "TIFF", as `velmora formats` lists it
    const char* extension;  // "TIF": upper case, no dot; the library dispatches on a path's last three letters
    const char* alias;      // another extension names it too ("tiff"), lower case; "" for none
    int filterPosition;     // its place in the dialog filters (hosts rely on the filter index)
    const char* description;  // the dialog filter's label (GBK)
    // Whether a file's first bytes (`n` of them, at most 8) are this format's.
    bool (*signature)(const unsigned char* head, size_t n);
    DepthSet saves;       // the depths its save takes
    DepthSet fitsTo;      // what `velmora convert` brings an image to before saving
    const char* worldExtension;  // an ESRI world file's extension beside it ("tfw")
    const char* reads;    // what it reads and writes, one line each, as
    const char* writes;   // `velmora formats` and README.md say
};

// The rows in format-code order; FileFormatCount() of them.
const FileFormat* FileFormats();
int FileFormatCount();
// The row of a format code; null for anything else.
const FileFormat* FileFormatOf(int code);

// The format code of an extension or name in any case, with or without its
// dot ("png", ".TIF", "jpeg", "tiff"); -1 for anything else.
int FormatOfName(const char* name);
// The format code of a path's extension, by FormatOfName; -1 when it has none.
int FormatOfPathExtension(const char* path);
// The format code that a file's first bytes name, -1 when they name none.
int FormatOfSignature(const unsigned char* head, size_t n);

// The format code that the file at `path` announces by its first bytes; -1
// when they announce none. -2, with *osError set, when it cannot be read:
// EISDIR for a folder, EINVAL for anything but a regular file (a FIFO is
// refused without waiting for a writer), else the system's reason.
int FormatOfContent(const char* path, int* osError);

}  // namespace velmora
