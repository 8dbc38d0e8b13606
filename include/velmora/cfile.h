// CFile, CFileException and CFileFind over POSIX files.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "velmora/cstring.h"
#include "velmora/wintypes.h"

// Thrown by value by CFile on open (constructor form), write, seek and close
// failures; the library lets it pass through to the host.
class CFileException : public std::exception {
public:
    enum Cause {
        none = 0,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    CFileException(int cause = none, long osError = 0, const char* fileName = nullptr);
    const char* what() const noexcept override { return m_strWhat.c_str(); }

    int m_cause;
    long m_lOsError;
    CString m_strFileName;

private:
    CString m_strWhat;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens or throws CFileException.
    CFile(const char* fileName, UINT openFlags);
    // Closes quietly if still open.
    virtual ~CFile();

    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // 1 on success; 0 (and *error filled when given) on failure. Never throws.
    BOOL Open(const char* fileName, UINT openFlags, CFileException* error = nullptr);

    // Bytes read; fewer than asked only at the end of the file. Throws on I/O errors.
    size_t Read(void* buffer, size_t count);
    // Writes all bytes or throws.
    void Write(const void* buffer, size_t count);
    // New position from the start; throws on failure.
    uint64_t Seek(int64_t offset, UINT from);
    uint64_t SeekToBegin() { return Seek(0, begin); }
    uint64_t SeekToEnd() { return Seek(0, end); }
    uint64_t GetLength() const;
    uint64_t GetPosition() const;
    void Flush();
    // Throws when closing reports an error.
    void Close();
    // Closes without throwing.
    void Abort();

    bool IsOpen() const { return m_hFile >= 0; }
    int GetHandle() const { return m_hFile; }
    CString GetFilePath() const { return m_strFileName; }

private:
    int m_hFile = -1;
    CString m_strFileName;
};

// First match of a name (wildcards "*" and "?" allowed in the last component;
// "*.*" matches every name). "/" and "\\" both separate the directory from the
// last component; a GBK trail byte 0x5C does not. An empty name, a name ending
// in a separator and a root such as "C:\\" match nothing. Matches are sorted
// by name; "." and ".." are found only when named exactly.
class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }

    // 1 when at least one entry matches.
    BOOL FindFile(const char* name = "*.*");
    // Steps onto the next match; returns 1 while more matches follow it.
    BOOL FindNextFile();
    BOOL IsDirectory() const;
    CString GetFilePath() const;
    CString GetFileName() const;
    void Close();

private:
    CString m_strDirectory;
    CString m_strPattern;
    std::vector<std::string> m_matches;  // names, sorted
    int m_nNext = 0;
    int m_nCurrent = -1;
};
