// The library's extension rule and the file-dialog filters, from the format table.
#include "environment/file_types.h"

#include "environment/texts.h"
#include "velmora/environment.h"

namespace velmora {

int FormatCodeOf(const char* extension) {
    for (int code = 0; code < FileFormatCount(); ++code)
        if (CString(extension) == FileFormats()[code].extension) return code;
    return -1;
}

const FileFormat* FormatInFilter(int position) {
    for (int code = 0; code < FileFormatCount(); ++code)
        if (FileFormats()[code].filterPosition == position) return &FileFormats()[code];
    return nullptr;
}

}  // namespace velmora

using velmora::FileFormat;
using velmora::FormatInFilter;

// "<description>(*.EXT)|*.EXT|" per type, then one more "|".
CString GetDIBFilter() {
    CString filter;
    for (int i = 0; const FileFormat* type = FormatInFilter(i); ++i) {
        filter += type->description;
        filter += CString("(*.") + type->extension + ")|*." + type->extension + "|";
    }
    return filter + "|";
}

// One entry for all types. The description keeps the ";" after its last
// pattern; the pattern list does not.
CString GetAllDIBsFilter() {
    CString description = CString(velmora::text::kAllImageFiles) + "(";
    CString patterns;
    for (int i = 0; const FileFormat* type = FormatInFilter(i); ++i) {
        description += CString("*.") + type->extension + ";";
        patterns += CString("*.") + type->extension + (FormatInFilter(i + 1) ? ";" : "|");
    }
    return description + ")|" + patterns + "|";
}

CString GetDIBExt(int type) {
    if (type == -1) type = GetDefaultDIBType();
    const FileFormat* row = velmora::FileFormatOf(type);
    return row ? CString("*.") + row->extension : CString("*.*");
}
