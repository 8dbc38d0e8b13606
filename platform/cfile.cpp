// CFile over a POSIX file descriptor.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_errors.h"
#include "platform/system_error.h"
#include "platform/open_file.h"
#include "velmora/cfile.h"

namespace {

int AccessFlags(UINT openFlags) {
    switch (openFlags & 3u) {
        case CFile::modeWrite: return O_WRONLY;
        case CFile::modeReadWrite: return O_RDWR;
        default: return O_RDONLY;
    }
}

// The advisory lock standing in for the sharing mode: writers that deny
// everyone take it exclusively, readers that deny writers share it.
int LockFor(UINT openFlags) {
    switch (openFlags & 0x70u) {
        case CFile::shareExclusive: return LOCK_EX;
        case CFile::shareDenyWrite: return LOCK_SH;
        default: return 0;
    }
}

[[noreturn]] void ThrowFileError(int osError, const CString& fileName, int cause = -1) {
    velmora::NoteSystemError(osError);
    throw CFileException(cause < 0 ? FileErrorCause(osError) : cause, osError, fileName);
}

// Opens the file, takes its lock, then truncates: truncating before the lock
// would destroy a file another holder is still using.
int OpenDescriptor(const char* fileName, UINT openFlags, int* osError) {
    int flags = AccessFlags(openFlags);
    if (openFlags & CFile::modeCreate) flags |= O_CREAT;
    struct stat st;
    int fd = velmora::OpenWithoutWaiting(fileName, flags, &st, osError);
    if (fd < 0) return -1;
    int failure = 0;
    int lock = LockFor(openFlags);
    if (!failure && lock && flock(fd, lock | LOCK_NB) != 0) failure = errno;
    bool truncate = (openFlags & CFile::modeCreate) && !(openFlags & CFile::modeNoTruncate);
    if (!failure && truncate && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) failure = errno;
    if (failure) {
        close(fd);
        *osError = failure;
        return -1;
    }
    return fd;
}

}  // namespace

CFile::CFile(const char* fileName, UINT openFlags) {
    CFileException error;
    if (!Open(fileName, openFlags, &error)) throw error;
}

CFile::~CFile() { Abort(); }

BOOL CFile::Open(const char* fileName, UINT openFlags, CFileException* error) {
    Abort();
    if (!fileName || !*fileName) {
        if (error) *error = CFileException(CFileException::badPath, 0, fileName);
        return FALSE;
    }
    int osError = 0;
    int fd = OpenDescriptor(fileName, openFlags, &osError);
    if (fd < 0) {
        velmora::NoteSystemError(osError);
        if (error) *error = CFileException(FileErrorCause(osError), osError, fileName);
        return FALSE;
    }
    m_hFile = fd;
    m_strFileName = fileName;
    return TRUE;
}

size_t CFile::Read(void* buffer, size_t count) {
    if (!IsOpen()) ThrowFileError(EBADF, m_strFileName);
    char* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t n = read(m_hFile, out + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError(errno, m_strFileName);
        if (n == 0) break;  // end of file
        done += static_cast<size_t>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, size_t count) {
    if (!IsOpen()) ThrowFileError(EBADF, m_strFileName);
    const char* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t n = write(m_hFile, in + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError(errno, m_strFileName);
        if (n == 0) ThrowFileError(ENOSPC, m_strFileName);
        done += static_cast<size_t>(n);
    }
}

uint64_t CFile::Seek(int64_t offset, UINT from) {
    if (!IsOpen()) ThrowFileError(EBADF, m_strFileName);
    int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : from == end ? SEEK_END : -1;
    if (whence < 0) ThrowFileError(EINVAL, m_strFileName, CFileException::badSeek);
    off_t position = lseek(m_hFile, static_cast<off_t>(offset), whence);
    if (position < 0) ThrowFileError(errno, m_strFileName, CFileException::badSeek);
    return static_cast<uint64_t>(position);
}

uint64_t CFile::GetLength() const {
    struct stat st;
    if (!IsOpen()) ThrowFileError(EBADF, m_strFileName);
    if (fstat(m_hFile, &st) != 0) ThrowFileError(errno, m_strFileName);
    return static_cast<uint64_t>(st.st_size);
}

uint64_t CFile::GetPosition() const {
    if (!IsOpen()) ThrowFileError(EBADF, m_strFileName);
    off_t position = lseek(m_hFile, 0, SEEK_CUR);
    if (position < 0) ThrowFileError(errno, m_strFileName, CFileException::badSeek);
    return static_cast<uint64_t>(position);
}

void CFile::Flush() {
    if (!IsOpen()) return;
    // Pipes and terminals cannot be synced; there is nothing to flush for them.
    if (fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS) ThrowFileError(errno, m_strFileName);
}

void CFile::Close() {
    if (!IsOpen()) return;
    int fd = m_hFile;
    m_hFile = -1;
    // Linux releases the descriptor even when close reports an error; retrying would be wrong.
    if (close(fd) != 0 && errno != EINTR) ThrowFileError(errno, m_strFileName);
}

void CFile::Abort() {
    if (!IsOpen()) return;
    close(m_hFile);
    m_hFile = -1;
}
