// What every codec operation shares beyond the row loop: where its progress
// goes and how it leaves on a failure.
#pragma once

#include "document/progress.h"
#include "velmora/dibfile.h"

namespace velmora {

// The codec's progress window.
inline ProgressReporter CodecProgress(const CDIBFile& codec) { return ProgressReporter(codec.m_hWnd); }

// Records `text` as the codec's failure text (a later failure replaces an
// earlier one); a null text leaves the one already recorded. Returns 0.
int RecordFailure(CDIBFile& codec, const char* text);

// A read that fails after it created the image: records `text`, releases the
// image and ends the progress. Returns 0.
int FailRead(CDIBFile& codec, const char* text);

// A save that fails after it began: records `text` and ends the progress.
// Returns 0. The image is untouched.
int FailSave(CDIBFile& codec, const char* text);

}  // namespace velmora
