// Compiled with the codec layer's include root: the frame, storage and the
// layers under them are in sight, so this compiles.
#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "platform/dib_geometry.h"
#include "storage/row_walker.h"
