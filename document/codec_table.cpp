// Each format's read and save operation: the half of a format's row that
// needs the codecs (its names, signature and depths are in the format table).
#include "document/codec_dispatch.h"

#include "velmora/dibfile.h"
#include "velmora/environment.h"

namespace velmora {

namespace {

struct CodecPair {
    int code;
    CodecOperation read;
    CodecOperation save;
};

constexpr CodecPair kCodecs[] = {
    {DIBTYPE_BMP, &CDIBFile::ReadBMPFile, &CDIBFile::SaveBMPFile},
    {DIBTYPE_TIF, &CDIBFile::ReadTIFFFile, &CDIBFile::SaveTIFFFile},
    {DIBTYPE_PCX, &CDIBFile::ReadPCXFile, &CDIBFile::SavePCXFile},
    {DIBTYPE_GIF, &CDIBFile::ReadGIFFile, &CDIBFile::SaveGIFFile},
    {DIBTYPE_JPG, &CDIBFile::ReadJPGFile, &CDIBFile::SaveJPGFile},
    {DIBTYPE_PNG, &CDIBFile::ReadPNGFile, &CDIBFile::SavePNGFile},
};

constexpr bool InCodeOrder() {
    int code = 0;
    for (const CodecPair& pair : kCodecs)
        if (pair.code != code++) return false;
    return code == DIBTYPE_NONE;
}
static_assert(InCodeOrder(), "one read/save pair per format code, in code order");

}  // namespace

CodecOperation ReadOperation(int format) { return kCodecs[format].read; }
CodecOperation SaveOperation(int format) { return kCodecs[format].save; }

int ReadWithCodec(CDIBFile& codec, int format, const char* path) { return (codec.*ReadOperation(format))(path); }

}  // namespace velmora
