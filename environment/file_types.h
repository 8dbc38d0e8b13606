// The table of supported file types, in dialog-filter order.
#pragma once

namespace velmora {

struct FileType {
    const char* description;  // GBK
    const char* extension;    // upper case, no dot
    int code;                 // file format code (DIBTYPE_*)
};

// The rows in the order the dialog filters list them (not code order).
const FileType* FileTypes();
int FileTypeCount();

// The format code whose extension is `extension` (upper case, no dot), or -1.
int FormatCodeOf(const char* extension);

}  // namespace velmora
