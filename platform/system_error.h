// The system's reason (errno) behind the library's last file failure on this
// thread, kept for hosts (GetLastSystemError in velmora/system.h).
#pragma once

namespace velmora {

// Keeps `osError` (non-zero) as the thread's last system error.
void NoteSystemError(int osError);
// Forgets it: an operation that may fail starts from 0.
void ClearSystemError();

}  // namespace velmora
