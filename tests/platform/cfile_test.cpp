#include "velmora/cfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <exception>
#include <string>
#include <type_traits>

#include "support/test_support.h"

namespace {

static_assert(std::is_base_of<std::exception, CFileException>::value, "hosts catch it as std::exception");

const UINT kCreateWrite = CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive;
const UINT kReadDenyWrite = CFile::modeRead | CFile::shareDenyWrite;

TEST(CFileOpen, ConstructorThrowsForMissingFile) {
    vtest::TempDir dir;
    std::string missing = dir.file("missing.bmp");
    try {
        CFile file(missing.c_str(), kReadDenyWrite);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e.m_strFileName, missing.c_str());
        EXPECT_NE(std::string(e.what()).find("missing.bmp"), std::string::npos);
    }
}

TEST(CFileOpen, OpenReturnsZeroAndFillsException) {
    vtest::TempDir dir;
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(dir.file("missing").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Open(dir.file("missing").c_str(), CFile::modeRead));  // no exception object
    EXPECT_FALSE(file.Open(nullptr, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    EXPECT_FALSE(file.Open(dir.path().c_str(), CFile::modeRead, &error));  // a directory
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
}

TEST(CFileIo, WriteSeekReadRoundTrip) {
    vtest::TempDir dir;
    std::string path = dir.file("data.bin");
    {
        CFile out(path.c_str(), kCreateWrite);
        out.Write("0123456789", 10);
        EXPECT_EQ(out.GetPosition(), 10u);
        EXPECT_EQ(out.Seek(-4, CFile::end), 6u);
        out.Write("AB", 2);
        out.Close();
        EXPECT_FALSE(out.IsOpen());
    }
    CFile in(path.c_str(), kReadDenyWrite);
    EXPECT_EQ(in.GetLength(), 10u);
    char buffer[16] = {};
    EXPECT_EQ(in.Seek(2, CFile::begin), 2u);
    EXPECT_EQ(in.Seek(1, CFile::current), 3u);
    EXPECT_EQ(in.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "345A");
    // Short at the end of the file, then nothing.
    EXPECT_EQ(in.Read(buffer, sizeof(buffer)), 3u);
    EXPECT_EQ(std::string(buffer, 3), "B89");
    EXPECT_EQ(in.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_THROW(in.Seek(-1, CFile::begin), CFileException);
}

TEST(CFileIo, ModeCreateTruncatesUnlessNoTruncate) {
    vtest::TempDir dir;
    std::string path = dir.file("t.bin");
    vtest::WriteAll(path, {1, 2, 3, 4});
    { CFile keep(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite); }
    EXPECT_EQ(vtest::ReadAll(path).size(), 4u);
    { CFile cut(path.c_str(), kCreateWrite); }
    EXPECT_EQ(vtest::ReadAll(path).size(), 0u);
}

TEST(CFileIo, WriteOnReadOnlyFileThrows) {
    vtest::TempDir dir;
    std::string path = dir.file("r.bin");
    vtest::WriteAll(path, {1, 2, 3});
    CFile file(path.c_str(), CFile::modeRead);
    EXPECT_THROW(file.Write("x", 1), CFileException);
    EXPECT_EQ(vtest::ReadAll(path).size(), 3u);
}

TEST(CFileIo, ClosedFileOperationsThrowAndAbortNeverDoes) {
    CFile file;
    char byte;
    EXPECT_THROW(file.Read(&byte, 1), CFileException);
    EXPECT_THROW(file.GetLength(), CFileException);
    EXPECT_NO_THROW(file.Abort());
    EXPECT_NO_THROW(file.Close());

    vtest::TempDir dir;
    std::string path = dir.file("a.bin");
    CFile open(path.c_str(), kCreateWrite);
    open.Write("z", 1);
    EXPECT_NO_THROW(open.Abort());
    EXPECT_FALSE(open.IsOpen());
    EXPECT_NO_THROW(open.Abort());
    EXPECT_EQ(vtest::ReadAll(path).size(), 1u);
}

TEST(CFileIo, FullDiskThrowsDiskFull) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    CFile full("/dev/full", CFile::modeWrite);
    try {
        full.Write("x", 1);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
    }
}

TEST(CFileSharing, ExclusiveOpenFailsWhileOthersHoldTheFile) {
    vtest::TempDir dir;
    std::string path = dir.file("shared.bin");
    vtest::WriteAll(path, {7, 7});
    {
        CFile reader(path.c_str(), kReadDenyWrite);
        CFile secondReader(path.c_str(), kReadDenyWrite);
        CFile writer;
        CFileException error;
        EXPECT_FALSE(writer.Open(path.c_str(), kCreateWrite, &error));
        EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
        // The refused create must not have truncated the file in use.
        EXPECT_EQ(vtest::ReadAll(path).size(), 2u);
    }
    CFile writer(path.c_str(), kCreateWrite);
    EXPECT_THROW(CFile(path.c_str(), kReadDenyWrite), CFileException);
}

}  // namespace
