// Existence tests through the file finder: the first match of the name.
#include "velmora/cfile.h"
#include "velmora/environment.h"

namespace {

// 1 when the name's first match exists and is (or is not) a directory. A
// search cannot match an empty name or one ending in a separator, so those
// count as absent.
int FirstMatchIs(const CString& name, bool directory) {
    CFileFind finder;
    if (!finder.FindFile(name)) return 0;
    finder.FindNextFile();
    return (finder.IsDirectory() != 0) == directory ? 1 : 0;
}

}  // namespace

int FileIsExist(CString name) { return FirstMatchIs(name, false); }
int PathIsExist(CString name) { return FirstMatchIs(name, true); }
