#include "codecs/tiff/tiff_open.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdint>

#include "codecs/tiff/tiff_tag_extender.h"
#include "platform/open_file.h"

namespace velmora::tiff {

namespace {

// A damaged file can make libtiff report every one of its lines (tens of
// thousands of messages from a 2 KB fax): a file's first few messages go on
// to libtiff's handlers, the rest are dropped. The count lives in the TIFF's
// client data, as a number, so nothing needs freeing. The process's handlers
// themselves stay as the host set them.
constexpr intptr_t kMessagesPassedOn = 8;
const char kMessageCount[] = "velmora.messages";

int CountMessage(TIFF* tif, void*, const char*, const char*, va_list) {
    if (!tif) return 0;
    const intptr_t count = reinterpret_cast<intptr_t>(TIFFGetClientInfo(tif, kMessageCount));
    TIFFSetClientInfo(tif, reinterpret_cast<void*>(count + 1), kMessageCount);
    return count < kMessagesPassedOn ? 0 : 1;  // 0: libtiff's handler reports it
}

}  // namespace

// libtiff's own open would wait for ever on a FIFO; the descriptor comes from
// an open that never waits and takes regular files only. "m": the file is
// read, not mapped, so a file cut short while it is read fails the read
// instead of raising SIGBUS.
TIFF* OpenTiffForReading(const char* path) {
    RegisterGeoTiffTags();
    const int fd = velmora::OpenForReading(path);
    if (fd < 0) return nullptr;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options) {
        TIFFOpenOptionsSetErrorHandlerExtR(options, CountMessage, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options, CountMessage, nullptr);
    }
    TIFF* tif = TIFFFdOpenExt(fd, path, "rm", options);
    TIFFOpenOptionsFree(options);
    if (!tif) close(fd);  // TIFFClose closes it once libtiff took it
    return tif;
}

}  // namespace velmora::tiff
