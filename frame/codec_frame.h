// What every codec operation shares beyond the row loop: how it fails, where
// its progress goes, and how it saves without destroying what was there.
//
// Failures. A codec's steps return a Failure: null means go on, any other
// value is the failure text to record (the library's own GBK texts,
// environment/texts.h). kSilentFailure fails without a text of its own (the
// document then reports its generic one), for the few paths the format
// leaves silent.
//
// File exceptions. The byte reader (frame/byte_reader.h) turns every file
// exception into a short read, so a reader built on it (BMP, PCX) fails with
// its own text instead. The GIF functions and CGeoTIFF read through CFile
// directly and let file exceptions pass to their caller; a save that an
// exception leaves removes its temporary and lets the exception go on.
//
// The C libraries. libjpeg and libpng leave a fatal error through longjmp;
// libtiff reports through its handlers and returns an error code. A longjmp
// skips C++ destructors, so the rule is: the function that calls setjmp holds
// no object with a destructor (no std::vector, CFile, std::string) between
// the setjmp and the library calls it guards, and everything it needs lives
// in its caller or in plain structs. The error exit of the library (its
// error_exit or error function) records the failure text in a plain field
// and longjmps back; the setjmp function returns that text as its Failure,
// and the caller, whose destructors run normally, cleans up. Nothing ends the
// process. libtiff's own warning and error handlers stay in place; its
// failures come back as return codes.
#pragma once

#include <cstdint>
#include <functional>

#include "frame/progress.h"
#include "velmora/cfile.h"
#include "velmora/dibfile.h"
#include "velmora/newdib.h"
#include "velmora/save_options.h"

namespace velmora {

using Failure = const char*;
// Fails without recording a text.
constexpr Failure kSilentFailure = "";

// The codec's progress window.
inline ProgressReporter CodecProgress(const CDIBFile& codec) { return ProgressReporter(codec.m_hWnd); }

// The image a codec reads into or saves from, as storage (a codec needs no
// more of the document than that).
inline CNewDIBObject* TargetImage(CDIBFile& codec) { return codec.m_pDIB; }
inline BITMAPINFOHEADER* HeaderOf(CNewDIBObject& image) {
    BITMAPINFO* info = image.GetBitmapInfo();
    return info ? &info->bmiHeader : nullptr;
}

// A picture the storage would not create (sizes it cannot hold, or more
// than the library's limits on pixels and page-file bytes): the text of a
// refused buffer, else null. Readers ask before they touch the caller's
// image, so a refused file leaves it as it was and reserves nothing.
Failure CheckImageSize(int64_t width, int64_t height, int bitCount);

// The options a save by `codec` follows: the caller's, else the library
// settings as they are now. A save reads them once, as it starts.
DIBSaveOptions SaveOptionsOf(const CDIBFile& codec);

// Gives `codec` the options for the saves made while it lives, then puts
// back what it had. The options live in the caller's frame.
class SaveOptionsScope {
public:
    SaveOptionsScope(CDIBFile& codec, const DIBSaveOptions& options)
        : m_codec(codec), m_previous(codec.m_pSaveOptions) {
        codec.m_pSaveOptions = &options;
    }
    ~SaveOptionsScope() { m_codec.m_pSaveOptions = m_previous; }
    SaveOptionsScope(const SaveOptionsScope&) = delete;
    SaveOptionsScope& operator=(const SaveOptionsScope&) = delete;

private:
    CDIBFile& m_codec;
    const DIBSaveOptions* m_previous;
};

// Records `text` as the codec's failure text (a later failure replaces an
// earlier one); a null or empty text leaves the one already recorded.
// Returns 0.
int RecordFailure(CDIBFile& codec, Failure text);

// A read that fails after it created the image: records `text`, releases the
// image and ends the progress. Returns 0.
int FailRead(CDIBFile& codec, Failure text);

// A read that fails after it created the image but, as its format's rules
// say, leaves it created: records `text` and clears every row, so the image
// shows nothing its storage held before (a fresh block in memory may hold
// an earlier image's pixels). Sends no progress. Returns 0.
int FailKeepingImage(CDIBFile& codec, Failure text);

// A save that fails after it began: records `text` and ends the progress.
// Returns 0. The image is untouched.
int FailSave(CDIBFile& codec, Failure text);
// The end of a save's writing: ends the progress, recording `failure` when
// there is one. Returns `failure`.
Failure EndSave(CDIBFile& codec, Failure failure);

// Opens a codec's input for reading, writes by others denied: null when
// open, else "数据为空" without a target image or "打开文件失败".
Failure OpenForReading(CDIBFile& codec, const char* path, CFile& file);

// The text for a reader whose library would not open `path`: "打开文件失败"
// when the path cannot be opened for reading at all (missing, a directory, a
// FIFO), else `refused`, the library's refusal of what the file holds.
Failure OpenRefusal(const char* path, Failure refused);

// Saving. `write` writes the whole file and returns null when it succeeded.
// The file is written to a temporary beside `path` and renamed over `path`
// only when `write` succeeded; otherwise (or when an exception leaves
// `write`) the temporary is removed and whatever was at `path` stays. A
// failure text returned by `write` is recorded. 1 on success, else 0.
//
// For codecs that open the file themselves (libtiff, libjpeg, libpng): the
// temporary's path, created empty; `write` closes what it opened.
int SaveThroughTemporary(CDIBFile& codec, const char* path, const std::function<Failure(const char* temp)>& write);
// For codecs that write through CFile: the temporary opened for writing.
int SaveThroughFile(CDIBFile& codec, const char* path, const std::function<Failure(CFile& file)>& write);

}  // namespace velmora
