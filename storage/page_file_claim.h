// What several threads creating page-file images at once must not race on:
// the choice of a free page-file name, and the count of images sharing memory.
#pragma once

#include <cstdint>

#include "velmora/cstring.h"

class CDIBMapFile;

namespace velmora {

// Opens `file` under a fresh page-file name (kept in *name) for `rows` rows of
// `stride` bytes. The name is chosen and the file created as one step within
// the process, and a name another process takes in between is passed over.
bool OpenFreshPageFile(CDIBMapFile* file, uint64_t stride, uint64_t rows, CString* name);

// Adds `delta` to the load image number, keeping it within 1 .. INT_MAX as
// the storage does (a page-file image takes one off while it lives).
void AdjustLoadImageNumber(int delta);

}  // namespace velmora
