// Formats whose codec is not built yet: each operation records that the
// format is not supported and fails. A format's codec replaces its pair here.
#include "frame/codec_frame.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"

namespace {

int Unsupported(CDIBFile& codec) { return velmora::RecordFailure(codec, velmora::text::kUnsupportedFormat); }

}  // namespace

int CDIBFile::ReadGIFFile(const char*) { return Unsupported(*this); }
int CDIBFile::SaveGIFFile(const char*) { return Unsupported(*this); }
