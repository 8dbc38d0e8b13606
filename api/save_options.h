// A facade save's options as the options of its one save call.
#pragma once

#include "velmora/image.hpp"
#include "velmora/save_options.h"

namespace velmora::api {

// The library settings with what `options` names put in their place, after
// checking them against `format` (an Error when the format has no such
// option or a value is out of range). Nothing process-wide changes.
DIBSaveOptions SaveOptionsFor(int format, const SaveOptions& options);

}  // namespace velmora::api
