// --no-auto-orient and --strip: whether a read brings a picture stored
// turned upright, and whether the output leaves out the input's colour
// profile and EXIF block.
#pragma once

#include <cstddef>
#include <string>

#include "tools/commands.h"
#include "velmora/newdib.h"

namespace velmora::cli {

struct PhotoOptions {
    bool autoOrient = true;
    bool strip = false;
};

// 1 when args[*i] is one of the options (taken into *options), 0 when not.
int TakePhotoOption(const Args& args, size_t* i, PhotoOptions* options);

// Before the read.
void PrepareRead(CNewDIB* dib, const PhotoOptions& options);
// Before the save: the metadata read dropped when --strip asks (the
// conversion steps do this for convert).
void StripIfAsked(CNewDIB* dib, const PhotoOptions& options);

// `usage` followed by the options' lines.
std::string WithPhotoOptions(const char* usage);

}  // namespace velmora::cli
