// CNewDIB::ReadFile and SaveFile: choose the format, run its codec, keep the
// codec's failure text for the host.
#include "velmora/application.h"
#include "velmora/dibfile.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"
#include "velmora/save_options.h"
#include "document/newdib_orientation.h"
#include "document/codec_dispatch.h"
#include "environment/file_types.h"
#include "environment/texts.h"
#include "platform/system_error.h"

namespace {

// The format code named by the path's last three characters, or -1.
int FormatFromExtension(const CString& path) {
    CString extension = path.Right(3);
    extension.MakeUpper();
    return velmora::FormatCodeOf(extension);
}

// Runs one codec operation and keeps its failure text (or `fallback` when it
// recorded none) in *lastError, also when an exception passes through.
int RunCodec(CDIBFile& codec, velmora::CodecOperation operation, const char* path, const char* fallback,
             CString* lastError) {
    int ok = 0;
    try {
        ok = (codec.*operation)(path);
    } catch (...) {
        *lastError = codec.m_strError.IsEmpty() ? CString(fallback) : codec.m_strError;
        throw;
    }
    if (ok) lastError->Empty();
    else *lastError = codec.m_strError.IsEmpty() ? CString(fallback) : codec.m_strError;
    return ok;
}

}  // namespace

namespace velmora {

int RequestedFormat(const CString& path, int format) {
    if (format == -1) return FormatFromExtension(path);
    return FileFormatOf(format) ? format : -1;
}

}  // namespace velmora

int CNewDIB::BeginFileOperation(const CString& path, int format) {
    velmora::ClearSystemError();
    m_hProgressWnd = GetThreadMainWindow();
    int code = velmora::RequestedFormat(path, format);
    if (code < 0) {
        m_strLastError = velmora::text::kUnsupportedFormat;
        return -1;
    }
    m_nFileFormat = code;
    return code;
}

int CNewDIB::ReadFile(const CString& path, int format) { return ReadFileForBox(path, format, 0, 0); }

int CNewDIB::ReadFileForBox(const CString& path, int format, int boxWidth, int boxHeight) {
    int code = BeginFileOperation(path, format);
    if (code < 0) return 0;
    m_strFileName = path;
    m_strLastWarning.Empty();
    CDIBFile codec(this, m_hProgressWnd);
    codec.m_bGray = 0;
    if (boxWidth >= 1 && boxHeight >= 1) {
        codec.m_nFitWidth = boxWidth;
        codec.m_nFitHeight = boxHeight;
    }
    if (!RunCodec(codec, velmora::ReadOperation(code), path, velmora::text::kReadDataFailed, &m_strLastError)) return 0;
    m_nGrayProp = codec.m_bGray;
    m_metadata = std::move(codec.m_metadata);
    m_nOrientation = codec.m_nOrientation;
    // A picture stored turned or mirrored is brought upright; without room
    // for a quarter turn the read fails rather than show it sideways.
    if (m_bAutoOrient && !velmora::OrientUpright(*this, m_nOrientation, &m_metadata)) {
        ReleaseDIB();
        m_strLastError = velmora::text::kCreateBufferFailed;
        return 0;
    }
    m_strLastWarning = codec.m_strWarning;
    return 1;
}

int CNewDIB::SaveFile(const CString& path, int format, int remember) {
    return SaveFile(path, format, remember, GetDefaultSaveOptions());
}

int CNewDIB::SaveFile(const CString& path, int format, int remember, const DIBSaveOptions& options) {
    int code = BeginFileOperation(path, format);
    if (code < 0) return 0;
    CString target = path.IsEmpty() ? m_strFileName : path;
    CDIBFile codec(this, m_hProgressWnd);
    codec.m_bGray = m_nGrayProp;
    codec.m_pSaveOptions = &options;
    codec.m_metadata = m_metadata;
    int ok = RunCodec(codec, velmora::SaveOperation(code), target, velmora::text::kWriteImageFailed, &m_strLastError);
    if (ok && remember) m_strFileName = target;
    return ok;
}
