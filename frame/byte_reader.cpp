#include "frame/byte_reader.h"

#include <algorithm>
#include <cstring>

namespace velmora {

size_t ReadUpTo(CFile& file, void* buffer, size_t count) {
    try {
        return file.Read(buffer, count);
    } catch (const CFileException&) {
        return 0;
    }
}

bool ReadExactly(CFile& file, void* buffer, size_t count) { return ReadUpTo(file, buffer, count) == count; }

bool SeekTo(CFile& file, uint64_t offset) {
    try {
        return file.Seek(static_cast<int64_t>(offset), CFile::begin) == offset;
    } catch (const CFileException&) {
        return false;
    }
}

uint64_t LengthOf(const CFile& file) {
    try {
        return file.GetLength();
    } catch (const CFileException&) {
        return 0;
    }
}

ByteReader::ByteReader(CFile& file, size_t bufferBytes) : m_file(file), m_buffer(std::max<size_t>(bufferBytes, 1)) {}

bool ByteReader::Refill() {
    m_nPos = 0;
    m_nEnd = ReadUpTo(m_file, m_buffer.data(), m_buffer.size());
    return m_nEnd > 0;
}

bool ByteReader::Next(BYTE* byte) {
    if (m_nPos == m_nEnd && !Refill()) return false;
    *byte = m_buffer[m_nPos++];
    return true;
}

bool ByteReader::Take(BYTE* out, size_t count) {
    while (count > 0) {
        if (m_nPos == m_nEnd && !Refill()) return false;
        size_t n = std::min(count, m_nEnd - m_nPos);
        if (out) {
            std::memcpy(out, m_buffer.data() + m_nPos, n);
            out += n;
        }
        m_nPos += n;
        count -= n;
    }
    return true;
}

}  // namespace velmora
