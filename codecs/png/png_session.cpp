#include "codecs/png/png_session.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/open_file.h"

namespace velmora::png {

namespace {

// libpng's texts are not the library's; the operation fails with its own.
[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

png_voidp Allocate(png_structp png, png_alloc_size_t bytes) {
    const uint64_t limit = *static_cast<const uint64_t*>(png_get_mem_ptr(png));
    return bytes <= limit ? std::malloc(bytes) : nullptr;
}
void Release(png_structp, png_voidp block) { std::free(block); }

}  // namespace

PngSession::~PngSession() {
    Destroy();
    CloseStream();
}

bool PngSession::Open(const char* path) {
    // fopen would wait for ever on a FIFO: a read takes regular files only.
    m_file = m_direction == kRead ? OpenStreamForReading(path) : std::fopen(path, "wb");
    if (!m_file) return false;
    m_streamBuffer = GiveStreamBuffer(m_file);
    m_png = m_direction == kRead ? png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning,
                                                            &m_nAllocationLimit, Allocate, Release)
                                 : png_create_write_struct_2(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning,
                                                             &m_nAllocationLimit, Allocate, Release);
    if (m_png) m_info = png_create_info_struct(m_png);
    if (!m_info) return false;
    png_init_io(m_png, m_file);
    return true;
}

bool PngSession::CloseStream() {
    if (!m_file) return true;
    bool ok = std::fclose(m_file) == 0;
    m_file = nullptr;
    return ok;
}

uint64_t PngSession::FileBytes() const {
    struct stat st;
    if (!m_file || fstat(fileno(m_file), &st) != 0 || st.st_size < 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

void PngSession::Destroy() {
    if (!m_png) return;
    if (m_direction == kRead) png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr);
    else png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr);
    m_png = nullptr;
    m_info = nullptr;
}

}  // namespace velmora::png
