#include "geotiff/geo_tag_reader.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>

#include "geotiff/geokey_table.h"

namespace velmora::geo {

namespace {

// The file as libtiff reads it: the file's bytes (zero past its end), a
// header naming its layout and byte order, and the taken directory after the
// end, on a word boundary.
struct View {
    CFile& file;
    uint64_t length;
    const TakenDirectory& directory;
    uint64_t directoryAt;
    unsigned char header[8];
    size_t headerBytes;
    uint64_t position = 0;
    std::exception_ptr failure;

    View(CFile& f, uint64_t fileLength, const TakenDirectory& d)
        : file(f), length(fileLength), directory(d), directoryAt((std::max<uint64_t>(fileLength, 16) + 7) / 8 * 8) {
        const TiffLayout& layout = directory.layout;
        header[0] = header[1] = layout.order.bigEndian ? 'M' : 'I';
        layout.order.Put16(header + 2, layout.big ? kBigTiffVersion : kClassicTiffVersion);
        layout.order.Put16(header + 4, 8);  // BigTIFF's offset size
        layout.order.Put16(header + 6, 0);
        headerBytes = layout.big ? 8 : 4;
    }

    uint64_t Size() const { return directoryAt + directory.bytes.size(); }

    // Copies what [from, from + n) of `source` (placed at `at`) overlaps.
    static void Overlay(unsigned char* out, uint64_t from, size_t n, const unsigned char* source, uint64_t at,
                        size_t bytes) {
        const uint64_t begin = std::max(from, at), end = std::min(from + n, at + bytes);
        if (begin < end) std::memcpy(out + (begin - from), source + (begin - at), static_cast<size_t>(end - begin));
    }

    void Fill(unsigned char* out, size_t n) {
        std::memset(out, 0, n);
        if (position < length) ReadZeroFilled(file, position, out, static_cast<size_t>(std::min<uint64_t>(n, length - position)));
        Overlay(out, position, n, header, 0, headerBytes);
        Overlay(out, position, n, directory.bytes.data(), directoryAt, directory.bytes.size());
    }
};

View& ViewOf(thandle_t handle) { return *static_cast<View*>(handle); }

tmsize_t ReadView(thandle_t handle, void* buffer, tmsize_t size) {
    View& view = ViewOf(handle);
    if (size < 0 || view.failure) return -1;
    try {
        view.Fill(static_cast<unsigned char*>(buffer), static_cast<size_t>(size));
    } catch (...) {
        view.failure = std::current_exception();
        return -1;
    }
    view.position += static_cast<uint64_t>(size);
    return size;
}

tmsize_t WriteView(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekView(thandle_t handle, toff_t offset, int whence) {
    View& view = ViewOf(handle);
    if (whence == SEEK_CUR) offset += view.position;
    else if (whence == SEEK_END) offset += view.Size();
    view.position = offset;
    return offset;
}

int CloseView(thandle_t) { return 0; }
toff_t SizeOfView(thandle_t handle) { return ViewOf(handle).Size(); }
int MapView(thandle_t, void**, toff_t*) { return 0; }
void UnmapView(thandle_t, void*, toff_t) {}

// The taken tags are unknown to the field set libtiff reads them with, and it
// says so for each: nothing here is worth a message.
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct CloseTiff {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

TIFF* OpenView(View& view) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    // "h": the header only; the directory is read below, as a custom one, so
    // no image tags are asked of it.
    TIFF* tif = TIFFClientOpenExt("GeoTIFF tags", "rhm", &view, ReadView, WriteView, SeekView, CloseView, SizeOfView,
                                  MapView, UnmapView, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

// Anonymous fields pass a 32-bit count and the values in the entry's type.
template <class T>
std::vector<T> Values(TIFF* tif, uint16_t tag) {
    uint32_t count = 0;
    const T* data = nullptr;
    if (!TIFFGetField(tif, tag, &count, &data) || !data) return {};
    return std::vector<T>(data, data + count);
}

// One SHORT or LONG value; 0 when there is none.
uint32_t Number(TIFF* tif, uint16_t tag) {
    const TIFFField* field = TIFFFieldWithTag(tif, tag);
    if (field && TIFFFieldDataType(field) == TIFF_SHORT) {
        const std::vector<uint16_t> values = Values<uint16_t>(tif, tag);
        return values.empty() ? 0 : values[0];
    }
    const std::vector<uint32_t> values = Values<uint32_t>(tif, tag);
    return values.empty() ? 0 : values[0];
}

}  // namespace

std::vector<TagValues> ReadTakenValues(CFile& file, uint64_t length, const TakenDirectory& directory) {
    std::vector<TagValues> out;
    for (const TakenTag& taken : directory.tags) out.push_back({taken, {}, {}, {}, 0});
    if (out.empty()) return out;
    View view(file, length, directory);
    {
        std::unique_ptr<TIFF, CloseTiff> tif(OpenView(view));
        // A header-only open sets up no directory, not even libtiff's own
        // field methods: a default one comes first.
        if (tif && TIFFCreateDirectory(tif.get()) == 0 && TIFFReadEXIFDirectory(tif.get(), view.directoryAt)) {
            for (TagValues& values : out) {
                const uint16_t tag = values.taken.tag;
                if (tag < kModelPixelScaleTag) {
                    values.number = Number(tif.get(), tag);
                } else if (tag == kGeoKeyDirectoryTag) {
                    values.shorts = Values<uint16_t>(tif.get(), tag);
                } else if (tag == kGeoAsciiParamsTag || tag > kGeoAsciiParamsTag) {
                    std::vector<unsigned char> bytes = Values<unsigned char>(tif.get(), tag);
                    values.bytes.assign(bytes.begin(), bytes.end());
                } else {
                    values.doubles = Values<double>(tif.get(), tag);
                }
            }
        }
    }
    if (view.failure) std::rethrow_exception(view.failure);
    for (const TagValues& values : out) {
        const bool none = values.doubles.empty() && values.shorts.empty() && values.bytes.empty() && !values.number;
        if (values.taken.bounded > 0 && none && values.taken.tag >= kModelPixelScaleTag) throw std::bad_alloc();
    }
    return out;
}

}  // namespace velmora::geo
