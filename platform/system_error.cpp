#include "platform/system_error.h"

#include "velmora/system.h"

namespace {
thread_local int g_lastSystemError = 0;
}  // namespace

namespace velmora {

void NoteSystemError(int osError) {
    if (osError != 0) g_lastSystemError = osError;
}

void ClearSystemError() { g_lastSystemError = 0; }

}  // namespace velmora

int GetLastSystemError() { return g_lastSystemError; }
