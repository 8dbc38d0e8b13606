// velmora::Image: files held in memory. The codecs read and write paths, so
// the bytes pass through a temporary file of the page-file folder, removed
// whatever happens.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "api/failure.h"
#include "api/image_impl.h"

namespace velmora {

namespace {

// A new empty file of its own in the page-file folder, unlinked when this goes.
class TemporaryFile {
public:
    explicit TemporaryFile(const char* operation) {
        std::string folder = virtual_dir();
        if (!folder.empty() && folder.back() != '/') folder += '/';
        std::string pattern = folder + "velmora-memory-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            api::ThrowUsage(ErrorCode::write_failed, std::string("cannot ") + operation +
                                                         ": no temporary file can be made in '" + folder + "'");
        ::close(fd);
        m_path = pattern;
    }
    ~TemporaryFile() { ::unlink(m_path.c_str()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

bool WriteAll(const std::string& path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

Image Image::open_memory(const void* data, std::size_t size, const OpenOptions& options) {
    if (!data && size != 0) api::ThrowUsage(ErrorCode::invalid_argument, "cannot read: no data");
    TemporaryFile file("read the data");
    if (!WriteAll(file.Path(), data, size))
        api::ThrowUsage(ErrorCode::write_failed, "cannot read the data: the temporary file cannot be written");
    try {
        return open(file.Path(), options);
    } catch (const Error& e) {
        // The temporary's name means nothing to the caller.
        throw Error(e.code(), std::string("cannot read the data: ") + e.what(), e.text(), e.system_errno());
    }
}

std::vector<std::uint8_t> Image::save_memory(const SaveOptions& options) const {
    if (options.format.empty())
        api::ThrowUsage(ErrorCode::invalid_argument, "saving to memory needs a format name");
    TemporaryFile file("save to memory");
    save(file.Path(), options);
    std::ifstream in(file.Path(), std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail())
        api::ThrowUsage(ErrorCode::write_failed, "cannot save to memory: the temporary file cannot be read");
    return bytes;
}

}  // namespace velmora
