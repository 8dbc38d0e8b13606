// The framework's file exception.
#include <cstring>

#include "platform/file_errors.h"
#include "velmora/cfile.h"

namespace {

const char* CauseName(int cause) {
    static const char* const names[] = {
        "no error",          "unspecified error",   "file not found",      "bad path",
        "too many open files", "access denied",     "invalid file",        "cannot remove the current directory",
        "directory full",    "bad seek",            "hardware I/O error",  "sharing violation",
        "lock violation",    "disk full",           "end of file"};
    if (cause < 0 || cause >= static_cast<int>(sizeof(names) / sizeof(names[0]))) return "unknown error";
    return names[cause];
}

}  // namespace

CFileException::CFileException(int cause, long osError, const char* fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {
    std::string what = CauseName(cause);
    if (osError) what += std::string(" (") + std::strerror(static_cast<int>(osError)) + ")";
    if (!m_strFileName.IsEmpty()) what += std::string(": ") + m_strFileName.c_str();
    m_strWhat = CString(what);
}

int FileErrorCause(int osError) {
    switch (osError) {
        case 0: return CFileException::none;
        case ENOENT: return CFileException::fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return CFileException::badPath;
        case EMFILE:
        case ENFILE: return CFileException::tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY: return CFileException::accessDenied;
        case EBADF: return CFileException::invalidFile;
        case EWOULDBLOCK: return CFileException::sharingViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return CFileException::diskFull;
        case EIO: return CFileException::hardIO;
        default: return CFileException::generic;
    }
}
