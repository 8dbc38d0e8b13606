// Page-file naming, with the existence test and the start number as seams.
#pragma once

#include <functional>

#include "velmora/cstring.h"
#include "velmora/wintypes.h"

namespace velmora {

// Candidates are `directory` + "Page%X.dat" for start, start + 1, ... modulo
// 65,536; the first one `isTaken` refuses is returned. Empty when all 65,536
// are taken.
CString FirstFreeMapFileName(const CString& directory, WORD start,
                             const std::function<bool(const CString&)>& isTaken);

// The start number of a search: minute * second of the local time.
WORD MapFileNameStart();

}  // namespace velmora
