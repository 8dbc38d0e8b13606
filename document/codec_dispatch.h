// The document's choice of codec, for the document's other readers.
#pragma once

#include "velmora/cstring.h"

class CDIBFile;

namespace velmora {

using CodecOperation = int (CDIBFile::*)(const char*);

// The format an operation asks for: by the path's extension for -1, else the
// code itself; -1 when neither names a format.
int RequestedFormat(const CString& path, int format);
// The read and save operations of format code `format` (0 .. DIBTYPE_NONE - 1).
CodecOperation ReadOperation(int format);
CodecOperation SaveOperation(int format);
// Runs the read operation of format code `format`.
int ReadWithCodec(CDIBFile& codec, int format, const char* path);

}  // namespace velmora
