// A host's call never blocks on a path: every reader refuses what is not a
// regular file (a FIFO without a writer, a directory, a device) with its
// open-failure text, and the document keeps its image.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "environment/texts.h"
#include "support/test_support.h"
#include "velmora/cfile.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"

namespace {

// The built readers and their open-failure texts; a format joins here.
struct Reader {
    int format;
    const char* openFailed;
};
// JPEG's and PNG's readers record none of their own: the document's generic text.
const Reader kReaders[] = {{DIBTYPE_BMP, velmora::text::kOpenFailed},
                           {DIBTYPE_TIF, velmora::text::kOpenTiffFailed},
                           {DIBTYPE_JPG, velmora::text::kReadDataFailed},
                           {DIBTYPE_PNG, velmora::text::kReadDataFailed}};

TEST(Paths, ReadersRefuseWhatIsNotARegularFileWithoutWaiting) {
    alarm(10);  // an open that waits ends the test instead of hanging it
    vtest::TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const Reader& r : kReaders)
        for (const std::string& path : {fifo, dir.path(), std::string("/dev/null")}) {
            SCOPED_TRACE(testing::Message() << "format " << r.format << ", " << path);
            CNewDIB dib(7, 7, 8);
            EXPECT_EQ(dib.ReadFile(path.c_str(), r.format), 0);
            EXPECT_EQ(dib.GetLastErrorText(), r.openFailed);
            EXPECT_EQ(dib.GetWidth(), 7);
        }
    alarm(0);
}

// The GIF reader lets the file exception of a failed open pass to the host,
// as its callers expect; it does not wait either.
TEST(Paths, GifReaderThrowsForWhatIsNotARegularFileWithoutWaiting) {
    alarm(10);
    vtest::TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.path(), std::string("/dev/null")}) {
        CNewDIB dib(7, 7, 8);
        EXPECT_THROW(dib.ReadFile(path.c_str(), DIBTYPE_GIF), CFileException) << path;
        EXPECT_EQ(dib.GetWidth(), 7) << path;
    }
    alarm(0);
}

}  // namespace
