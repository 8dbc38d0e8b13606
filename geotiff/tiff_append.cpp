#include "geotiff/tiff_append.h"

#include <algorithm>
#include <cstring>

#include "geotiff/tiff_layout.h"

namespace velmora::geo {
namespace {

constexpr size_t kMaxEntryBytes = 20;

[[noreturn]] void NotATiffFile(CFile& file) {
    throw CFileException(CFileException::invalidFile, 0, file.GetFilePath());
}

void ReadExactlyAt(CFile& file, uint64_t offset, unsigned char* buffer, size_t bytes) {
    file.Seek(static_cast<int64_t>(offset), CFile::begin);
    if (file.Read(buffer, bytes) != bytes) NotATiffFile(file);
}

struct Entry {
    WORD tag;
    unsigned char bytes[kMaxEntryBytes];
};

// The tag's values in the file's byte order.
std::vector<unsigned char> Encode(const GeoTag& tag, const ByteOrder& order) {
    std::vector<unsigned char> data;
    if (tag.type == kTypeDouble) {
        data.resize(tag.doubles.size() * 8);
        for (size_t i = 0; i < tag.doubles.size(); ++i) order.PutF64(data.data() + i * 8, tag.doubles[i]);
    } else if (tag.type == kTypeShort) {
        data.resize(tag.shorts.size() * 2);
        for (size_t i = 0; i < tag.shorts.size(); ++i) order.Put16(data.data() + i * 2, tag.shorts[i]);
    } else {
        data.assign(tag.ascii.begin(), tag.ascii.end());
    }
    return data;
}

std::vector<Entry> ReadFirstDirectory(CFile& file, const TiffLayout& layout, uint64_t offset) {
    unsigned char countBytes[8];
    ReadExactlyAt(file, offset, countBytes, layout.CountBytes());
    const uint64_t count = layout.EntryCount(countBytes);
    // A directory cannot hold more entries than the file has room for.
    if (count > 0xFFFF || offset + layout.CountBytes() + count * layout.EntryBytes() > file.GetLength())
        NotATiffFile(file);
    std::vector<unsigned char> raw(count * layout.EntryBytes());
    if (!raw.empty()) ReadExactlyAt(file, offset + layout.CountBytes(), raw.data(), raw.size());
    std::vector<Entry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(entries[i].bytes, raw.data() + i * layout.EntryBytes(), layout.EntryBytes());
        entries[i].tag = layout.order.U16(entries[i].bytes);
    }
    return entries;
}

// The header's byte order and layout; anything else is not a TIFF file.
TiffLayout ReadHeader(CFile& file, uint64_t* firstDirectory) {
    unsigned char header[16];
    ReadExactlyAt(file, 0, header, 8);
    const bool little = header[0] == 'I' && header[1] == 'I';
    if (!little && !(header[0] == 'M' && header[1] == 'M')) NotATiffFile(file);
    TiffLayout layout;
    layout.order.bigEndian = !little;
    const WORD version = layout.order.U16(header + 2);
    layout.big = version == kBigTiffVersion;
    if (version != kClassicTiffVersion && !layout.big) NotATiffFile(file);
    if (layout.big) {
        ReadExactlyAt(file, 0, header, 16);
        if (layout.order.U16(header + 4) != 8) NotATiffFile(file);
    }
    *firstDirectory = layout.Field(header + (layout.big ? 8 : 4));
    return layout;
}

}  // namespace

void AppendDirectory(CFile& file, const std::vector<GeoTag>& tags) {
    uint64_t first = 0;
    const TiffLayout layout = ReadHeader(file, &first);
    const ByteOrder& order = layout.order;
    std::vector<Entry> entries = ReadFirstDirectory(file, layout, first);

    // The old entries stay as they are (their data stays where it is); a new
    // tag replaces an old one of the same number.
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const Entry& e) {
                                     return std::any_of(tags.begin(), tags.end(),
                                                        [&](const GeoTag& t) { return t.tag == e.tag; });
                                 }),
                  entries.end());

    // TIFF wants every offset on a word boundary.
    const uint64_t length = file.GetLength();
    const uint64_t pad = length & 1;
    const uint64_t directoryAt = length + pad;
    const size_t entryCount = entries.size() + tags.size();
    if (entryCount > 0xFFFF) NotATiffFile(file);
    const size_t directoryBytes = layout.CountBytes() + entryCount * layout.EntryBytes() + layout.FieldBytes();
    const uint64_t dataAt = directoryAt + directoryBytes;

    std::vector<unsigned char> data;
    for (const GeoTag& tag : tags) {
        Entry entry{tag.tag, {}};
        order.Put16(entry.bytes, tag.tag);
        order.Put16(entry.bytes + 2, tag.type);
        layout.PutField(entry.bytes + 4, tag.Count());
        std::vector<unsigned char> values = Encode(tag, order);
        if (values.size() <= layout.InlineBytes()) {
            std::memcpy(layout.Value(entry.bytes), values.data(), values.size());
        } else {
            layout.PutField(layout.Value(entry.bytes), dataAt + data.size());
            data.insert(data.end(), values.begin(), values.end());
            if (data.size() & 1) data.push_back(0);
        }
        entries.push_back(entry);
    }
    if (dataAt + data.size() > layout.MaxOffset()) throw CFileException(CFileException::diskFull, 0, file.GetFilePath());
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });

    std::vector<unsigned char> tail(pad + directoryBytes, 0);
    unsigned char* p = tail.data() + pad;
    layout.PutEntryCount(p, entryCount);
    for (size_t i = 0; i < entryCount; ++i)
        std::memcpy(p + layout.CountBytes() + i * layout.EntryBytes(), entries[i].bytes, layout.EntryBytes());
    // The next-directory offset stays 0: the new directory is the only one named.
    tail.insert(tail.end(), data.begin(), data.end());
    file.SeekToEnd();
    file.Write(tail.data(), tail.size());

    // Pointing the header at the new directory comes last, so the file is a
    // valid TIFF file at every step.
    unsigned char firstBytes[8];
    layout.PutField(firstBytes, directoryAt);
    file.Seek(layout.big ? 8 : 4, CFile::begin);
    file.Write(firstBytes, layout.FieldBytes());
}

}  // namespace velmora::geo
