// A host's call never blocks on a path: every reader refuses what is not a
// regular file (a FIFO without a writer, a directory, a device) or is not
// there with "打开文件失败", and the document keeps its image.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "environment/texts.h"
#include "support/test_support.h"
#include "velmora/cfile.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"
#include "velmora/system.h"

namespace {

// The built readers and their open-failure texts; a format joins here.
struct Reader {
    int format;
    const char* openFailed;
};
const Reader kReaders[] = {{DIBTYPE_BMP, velmora::text::kOpenFailed}, {DIBTYPE_TIF, velmora::text::kOpenFailed},
                           {DIBTYPE_PCX, velmora::text::kOpenFailed}, {DIBTYPE_GIF, velmora::text::kOpenFailed},
                           {DIBTYPE_JPG, velmora::text::kOpenFailed}, {DIBTYPE_PNG, velmora::text::kOpenFailed}};

TEST(Paths, ReadersRefuseWhatIsNotARegularFileWithoutWaiting) {
    alarm(10);  // an open that waits ends the test instead of hanging it
    vtest::TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const Reader& r : kReaders)
        for (const std::string& path : {fifo, dir.path(), std::string("/dev/null"), dir.file("missing")}) {
            SCOPED_TRACE(testing::Message() << "format " << r.format << ", " << path);
            CNewDIB dib(7, 7, 8);
            EXPECT_EQ(dib.ReadFile(path.c_str(), r.format), 0);
            EXPECT_EQ(dib.GetLastErrorText(), r.openFailed);
            EXPECT_EQ(dib.GetWidth(), 7);
            if (path == dir.file("missing")) {
                EXPECT_EQ(GetLastSystemError(), ENOENT);
            }
            if (path == dir.path()) {
                EXPECT_EQ(GetLastSystemError(), EISDIR);
            }
        }
    alarm(0);
}

// A TIFF that libtiff refuses keeps the format's own text.
TEST(Paths, ATiffReaderRefusalOfAnOpenedFileKeepsItsText) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("not.tif"), {'I', 'I', 42, 0, 1, 2});
    CNewDIB dib(7, 7, 8);
    EXPECT_EQ(dib.ReadFile(dir.file("not.tif").c_str(), DIBTYPE_TIF), 0);
    EXPECT_EQ(dib.GetLastErrorText(), velmora::text::kOpenTiffFailed);
}

}  // namespace
