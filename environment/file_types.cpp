// File types and the file-dialog filters built from them.
#include "environment/file_types.h"

#include "environment/texts.h"
#include "velmora/environment.h"

namespace velmora {

namespace {

// The row order fixes the filter index a file dialog reports; hosts rely on it.
const FileType kFileTypes[] = {
    {text::kBitmapFiles, "BMP", DIBTYPE_BMP}, {text::kGifFiles, "GIF", DIBTYPE_GIF},
    {text::kJpgFiles, "JPG", DIBTYPE_JPG},    {text::kPcxFiles, "PCX", DIBTYPE_PCX},
    {text::kTiffFiles, "TIF", DIBTYPE_TIF},   {text::kPngFiles, "PNG", DIBTYPE_PNG},
};
constexpr int kFileTypeCount = static_cast<int>(sizeof kFileTypes / sizeof kFileTypes[0]);

}  // namespace

const FileType* FileTypes() { return kFileTypes; }
int FileTypeCount() { return kFileTypeCount; }

int FormatCodeOf(const char* extension) {
    for (const FileType& type : kFileTypes)
        if (CString(extension) == type.extension) return type.code;
    return -1;
}

}  // namespace velmora

using velmora::FileType;

// "<description>(*.EXT)|*.EXT|" per type, then one more "|".
CString GetDIBFilter() {
    CString filter;
    for (const FileType& type : velmora::kFileTypes) {
        filter += type.description;
        filter += CString("(*.") + type.extension + ")|*." + type.extension + "|";
    }
    return filter + "|";
}

// One entry for all types. The description keeps the ";" after its last
// pattern; the pattern list does not.
CString GetAllDIBsFilter() {
    CString description = CString(velmora::text::kAllImageFiles) + "(";
    CString patterns;
    for (int i = 0; i < velmora::kFileTypeCount; i++) {
        const FileType& type = velmora::kFileTypes[i];
        description += CString("*.") + type.extension + ";";
        patterns += CString("*.") + type.extension + (i + 1 < velmora::kFileTypeCount ? ";" : "|");
    }
    return description + ")|" + patterns + "|";
}

CString GetDIBExt(int type) {
    if (type == -1) type = GetDefaultDIBType();
    for (const FileType& row : velmora::kFileTypes)
        if (row.code == type) return CString("*.") + row.extension;
    return "*.*";
}
