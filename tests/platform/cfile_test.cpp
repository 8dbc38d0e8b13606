// CFile and CFileFind over POSIX files: exceptions, sharing, GBK-aware search.
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

// What `call` throws; cause `none` when it does not throw.
template <typename Call>
CFileException Thrown(Call call) {
    try {
        call();
    } catch (const CFileException& e) {
        return e;
    }
    return CFileException();
}

class CFileTest : public ::testing::Test {
protected:
    std::string Make(const std::string& name, std::vector<unsigned char> bytes = {1}) {
        vtest::WriteAll(dir.file(name), bytes);
        return dir.file(name);
    }
    vtest::TempDir dir;
};

TEST_F(CFileTest, FailedOpensNameTheCause) {
    const std::string missing = dir.file("missing.bmp");
    CFileException thrown = Thrown([&] { CFile file(missing.c_str(), kReadDenyWrite); });
    EXPECT_EQ(thrown.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(thrown.m_strFileName, missing.c_str());
    EXPECT_NE(std::string(thrown.what()).find("missing.bmp"), std::string::npos);

    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(missing.c_str(), CFile::modeRead));  // no exception object
    EXPECT_FALSE(file.Open(nullptr, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    EXPECT_FALSE(file.Open(dir.path().c_str(), CFile::modeRead, &error));  // a directory
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    EXPECT_FALSE(file.IsOpen());
}

// A FIFO without a writer would block a plain open for ever; reading takes
// regular files only, and no open waits for a peer.
TEST_F(CFileTest, OpensNeverWaitAndReadingTakesRegularFilesOnly) {
    alarm(10);  // an open that waits ends the test instead of hanging it
    const std::string fifo = dir.file("fifo.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(fifo.c_str(), kReadDenyWrite, &error));
    EXPECT_EQ(error.m_strFileName, fifo.c_str());
    EXPECT_FALSE(file.Open(fifo.c_str(), CFile::modeWrite));  // no reader: refused, not awaited
    EXPECT_FALSE(file.Open("/dev/null", CFile::modeRead));
    EXPECT_FALSE(file.IsOpen());
    const std::string regular = Make("plain.bin", {1, 2, 3});
    ASSERT_TRUE(file.Open(regular.c_str(), kReadDenyWrite));
    char bytes[4];
    EXPECT_EQ(file.Read(bytes, sizeof bytes), 3u);  // reads as usual once open
    alarm(0);
}

TEST_F(CFileTest, WriteSeekReadRoundTrip) {
    const std::string path = dir.file("data.bin");
    CFile out(path.c_str(), kCreateWrite);
    out.Write("0123456789", 10);
    EXPECT_EQ(out.GetPosition(), 10u);
    EXPECT_EQ(out.Seek(-4, CFile::end), 6u);
    out.Write("AB", 2);
    out.Close();
    EXPECT_FALSE(out.IsOpen());

    CFile in(path.c_str(), kReadDenyWrite);
    EXPECT_EQ(in.GetLength(), 10u);
    char buffer[16] = {};
    EXPECT_EQ(in.Seek(2, CFile::begin), 2u);
    EXPECT_EQ(in.Seek(1, CFile::current), 3u);
    EXPECT_EQ(in.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "345A");
    EXPECT_EQ(in.Read(buffer, sizeof(buffer)), 3u);  // short at the end, then nothing
    EXPECT_EQ(std::string(buffer, 3), "B89");
    EXPECT_EQ(in.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_THROW(in.Seek(-1, CFile::begin), CFileException);
}

TEST_F(CFileTest, MisuseAndFullDiskThrowButAbortNeverDoes) {
    const std::string readOnly = Make("r.bin", {1, 2, 3});
    CFile reader(readOnly.c_str(), CFile::modeRead);
    EXPECT_THROW(reader.Write("x", 1), CFileException);
    EXPECT_EQ(vtest::ReadAll(readOnly).size(), 3u);

    CFile closed;
    char byte;
    EXPECT_THROW(closed.Read(&byte, 1), CFileException);
    EXPECT_THROW(closed.GetLength(), CFileException);
    EXPECT_NO_THROW(closed.Abort());
    EXPECT_NO_THROW(closed.Close());

    const std::string path = dir.file("a.bin");
    CFile open(path.c_str(), kCreateWrite);
    open.Write("z", 1);
    EXPECT_NO_THROW(open.Abort());
    EXPECT_NO_THROW(open.Abort());
    EXPECT_FALSE(open.IsOpen());
    EXPECT_EQ(vtest::ReadAll(path).size(), 1u);

    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    CFile full("/dev/full", CFile::modeWrite);
    EXPECT_EQ(Thrown([&] { full.Write("x", 1); }).m_cause, CFileException::diskFull);
}

TEST_F(CFileTest, CreateTruncatesUnlessToldNotToOrOthersHoldTheFile) {
    const std::string path = Make("shared.bin", {7, 7});
    { CFile keep(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite); }
    EXPECT_EQ(vtest::ReadAll(path).size(), 2u);
    {
        CFile reader(path.c_str(), kReadDenyWrite), secondReader(path.c_str(), kReadDenyWrite), writer;
        CFileException error;
        EXPECT_FALSE(writer.Open(path.c_str(), kCreateWrite, &error));
        EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
        EXPECT_EQ(vtest::ReadAll(path).size(), 2u) << "the refused create truncated the file in use";
    }
    CFile writer(path.c_str(), kCreateWrite);
    EXPECT_EQ(vtest::ReadAll(path).size(), 0u);
    EXPECT_THROW(CFile(path.c_str(), kReadDenyWrite), CFileException);
}

class CFileFindTest : public CFileTest {
protected:
    void SetUp() override {
        for (const char* name : {"b.bmp", "a.bmp", "c.tif", "noext"}) Make(name);
        mkdir(dir.file("sub.bmp").c_str(), 0755);
    }
    // The first match of `name`; "" when nothing matches.
    std::string First(const std::string& name) {
        if (!find.FindFile(name.c_str())) return "";
        EXPECT_FALSE(find.FindNextFile()) << name << " has more than one match";
        return find.GetFileName().str();
    }
    CFileFind find;
};

TEST_F(CFileFindTest, WildcardsGiveSortedMatches) {
    ASSERT_TRUE(find.FindFile(dir.file("*.bmp").c_str()));
    EXPECT_TRUE(find.FindNextFile());
    EXPECT_EQ(find.GetFileName(), "a.bmp");
    EXPECT_EQ(find.GetFilePath(), dir.file("a.bmp").c_str());
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_TRUE(find.FindNextFile());
    EXPECT_EQ(find.GetFileName(), "b.bmp");
    EXPECT_FALSE(find.FindNextFile());  // onto the last one
    EXPECT_EQ(find.GetFileName(), "sub.bmp");
    EXPECT_TRUE(find.IsDirectory());
    EXPECT_FALSE(find.FindNextFile());

    ASSERT_TRUE(find.FindFile(dir.file("*.*").c_str()));  // also names without a dot
    int count = 1;
    while (find.FindNextFile()) ++count;
    EXPECT_EQ(count, 5);
}

// Backslashes separate too, but a GBK character ending in 0x5C is one name.
TEST_F(CFileFindTest, SingleMatchesAndNamesThatMatchNothing) {
    Make("\x95\x5C.bmp");
    EXPECT_EQ(First(dir.file("?.t*")), "c.tif");
    EXPECT_EQ(First(dir.file("c.tif")), "c.tif");
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_EQ(First(dir.path() + "\\sub.bmp\\..\\a.bmp"), "a.bmp");
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_EQ(First(dir.file("\x95\x5C.bmp")), "\x95\x5C.bmp");
    EXPECT_EQ(First(dir.file("\x95\x5C*")), "\x95\x5C.bmp");
    EXPECT_NE(First(dir.path()), "");
    EXPECT_TRUE(find.IsDirectory());
    for (const std::string& name : {dir.file("*.png"), dir.file("none.bmp"), std::string(), dir.path() + "/",
                                    dir.path() + "\\", std::string("C:\\"), std::string("/")})
        EXPECT_EQ(First(name), "") << name;
    EXPECT_FALSE(find.IsDirectory());
    EXPECT_TRUE(find.GetFilePath().IsEmpty());
}

}  // namespace
