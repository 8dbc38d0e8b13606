#include "tools/photo_options.h"

namespace velmora::cli {

namespace {

const char kPhotoOptionsHelp[] =
    "  --no-auto-orient  keep a picture as stored when its EXIF or TIFF Orientation says it is turned\n"
    "                    (by default it is brought upright and the output says Orientation 1)\n"
    "  --strip           leave the input's ICC colour profile and EXIF data out of the output\n"
    "                    (by default JPEG, PNG and TIFF outputs carry them)\n";

}  // namespace

std::string WithPhotoOptions(const char* usage) { return std::string(usage) + kPhotoOptionsHelp; }

int TakePhotoOption(const Args& args, size_t* i, PhotoOptions* options) {
    const std::string& arg = args[*i];
    if (arg == "--no-auto-orient") options->autoOrient = false;
    else if (arg == "--strip") options->strip = true;
    else return 0;
    return 1;
}

void PrepareRead(CNewDIB* dib, const PhotoOptions& options) { dib->SetAutoOrient(options.autoOrient ? 1 : 0); }

void StripIfAsked(CNewDIB* dib, const PhotoOptions& options) {
    if (options.strip) dib->SetMetadata(velmora::ImageMetadata());
}

}  // namespace velmora::cli
