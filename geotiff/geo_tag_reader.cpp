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
        if (position < length)
            ReadZeroFilled(file, position, out, static_cast<size_t>(std::min<uint64_t>(n, length - position)));
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
    if (whence == SEEK_CUR)
        offset += view.position;
    else if (whence == SEEK_END)
        offset += view.Size();
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
TagValues ValuesOf(TIFF* tif, const TakenTag& taken) {
    TagValues values{taken, nullptr, 0, 0};
    const TIFFField* field = TIFFFieldWithTag(tif, taken.tag);
    if (!field || !TIFFGetField(tif, taken.tag, &values.count, &values.data) || !values.data) values.count = 0;
    if (field) values.type = TIFFFieldDataType(field);
    return values;
}

}  // namespace

void ReadTakenValues(CFile& file, uint64_t length, const TakenDirectory& directory,
                     const std::function<void(const TagValues&)>& take) {
    if (directory.tags.empty()) return;
    View view(file, length, directory);
    bool heldAll = true;
    {
        std::unique_ptr<TIFF, CloseTiff> tif(OpenView(view));
        // A header-only open sets up no directory, not even libtiff's own
        // field methods: a default one comes first.
        const bool read = tif && TIFFCreateDirectory(tif.get()) == 0 &&
                          TIFFReadEXIFDirectory(tif.get(), view.directoryAt) && !view.failure;
        for (const TakenTag& taken : directory.tags) {
            const TagValues values = read ? ValuesOf(tif.get(), taken) : TagValues{taken, nullptr, 0, 0};
            heldAll = heldAll && (values.count > 0 || taken.bounded == 0);
            if (heldAll) take(values);
        }
    }
    if (view.failure) std::rethrow_exception(view.failure);
    if (!heldAll) throw std::bad_alloc();
}

}  // namespace velmora::geo
