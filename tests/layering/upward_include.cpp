// Compiled with the codec layer's include root: a codec may not see the
// document above it, so this must not compile.
#include "document/transform_mirror.h"
