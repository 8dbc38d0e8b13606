#include "geotiff/tiff_append.h"

#include <algorithm>
#include <cstring>

#include "frame/endian.h"

namespace velmora::geo {
namespace {

constexpr size_t kEntryBytes = 12;
constexpr uint64_t kMaxOffset = 0xFFFFFFFFu;

[[noreturn]] void NotATiffFile(CFile& file) {
    throw CFileException(CFileException::invalidFile, 0, file.GetFilePath());
}

void ReadExactlyAt(CFile& file, uint64_t offset, unsigned char* buffer, size_t bytes) {
    file.Seek(static_cast<int64_t>(offset), CFile::begin);
    if (file.Read(buffer, bytes) != bytes) NotATiffFile(file);
}

struct Entry {
    WORD tag;
    unsigned char bytes[kEntryBytes];
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

std::vector<Entry> ReadFirstDirectory(CFile& file, const ByteOrder& order, uint32_t offset) {
    unsigned char countBytes[2];
    ReadExactlyAt(file, offset, countBytes, sizeof countBytes);
    const WORD count = order.U16(countBytes);
    std::vector<unsigned char> raw(size_t{count} * kEntryBytes);
    if (!raw.empty()) ReadExactlyAt(file, uint64_t{offset} + 2, raw.data(), raw.size());
    std::vector<Entry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(entries[i].bytes, raw.data() + i * kEntryBytes, kEntryBytes);
        entries[i].tag = order.U16(entries[i].bytes);
    }
    return entries;
}

}  // namespace

void AppendDirectory(CFile& file, const std::vector<GeoTag>& tags) {
    unsigned char header[8];
    ReadExactlyAt(file, 0, header, sizeof header);
    const bool little = header[0] == 'I' && header[1] == 'I';
    if (!little && !(header[0] == 'M' && header[1] == 'M')) NotATiffFile(file);
    const ByteOrder order{!little};
    if (order.U16(header + 2) != 42) NotATiffFile(file);
    std::vector<Entry> entries = ReadFirstDirectory(file, order, order.U32(header + 4));

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
    uint64_t dataAt = directoryAt + 2 + entryCount * kEntryBytes + 4;

    std::vector<unsigned char> data;
    for (const GeoTag& tag : tags) {
        Entry entry{tag.tag, {}};
        order.Put16(entry.bytes, tag.tag);
        order.Put16(entry.bytes + 2, tag.type);
        order.Put32(entry.bytes + 4, tag.Count());
        std::vector<unsigned char> values = Encode(tag, order);
        if (values.size() <= 4) {
            std::memcpy(entry.bytes + 8, values.data(), values.size());
        } else {
            order.Put32(entry.bytes + 8, static_cast<uint32_t>(dataAt + data.size()));
            data.insert(data.end(), values.begin(), values.end());
            if (data.size() & 1) data.push_back(0);
        }
        entries.push_back(entry);
    }
    if (dataAt + data.size() > kMaxOffset) throw CFileException(CFileException::diskFull, 0, file.GetFilePath());
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });

    std::vector<unsigned char> tail(pad + 2 + entryCount * kEntryBytes + 4, 0);
    unsigned char* p = tail.data() + pad;
    order.Put16(p, static_cast<WORD>(entryCount));
    for (size_t i = 0; i < entryCount; ++i) std::memcpy(p + 2 + i * kEntryBytes, entries[i].bytes, kEntryBytes);
    // The next-directory offset stays 0: the new directory is the only one named.
    tail.insert(tail.end(), data.begin(), data.end());
    file.SeekToEnd();
    file.Write(tail.data(), tail.size());

    // Pointing the header at the new directory comes last, so the file is a
    // valid TIFF file at every step.
    unsigned char first[4];
    order.Put32(first, static_cast<uint32_t>(directoryAt));
    file.Seek(4, CFile::begin);
    file.Write(first, sizeof first);
}

}  // namespace velmora::geo
