#include "codecs/pcx/pcx_rle.h"

#include <algorithm>
#include <cstring>

#include "frame/byte_reader.h"

namespace velmora::pcx {

namespace {

constexpr size_t kInputBufferBytes = 64 * 1024;
constexpr BYTE kCountFlag = 0xC0;

// One segment: runs of up to kMaxRun equal bytes, single bytes of 0xC0 or
// more as runs of one, other single bytes as themselves.
BYTE* EncodeSegment(const BYTE* in, size_t bytes, BYTE* out) {
    const BYTE* end = in + bytes;
    while (in < end) {
        const BYTE value = *in;
        const BYTE* limit = in + std::min(kMaxRun, static_cast<size_t>(end - in));
        const BYTE* run = in + 1;
        while (run < limit && *run == value) ++run;
        const size_t length = static_cast<size_t>(run - in);
        if (length > 1 || value >= kCountFlag) *out++ = static_cast<BYTE>(kCountFlag | length);
        *out++ = value;
        in = run;
    }
    return out;
}

}  // namespace

ScanLineDecoder::ScanLineDecoder(CFile& file, uint64_t dataBytes)
    : m_file(file), m_nDataLeft(dataBytes), m_buffer(kInputBufferBytes) {}

bool ScanLineDecoder::Refill() {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(m_buffer.size(), m_nDataLeft));
    m_nPos = 0;
    m_nEnd = want ? ReadUpTo(m_file, m_buffer.data(), want) : 0;
    m_nDataLeft -= m_nEnd;
    return m_nEnd > 0;
}

bool ScanLineDecoder::Decode(BYTE* line, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (m_nRunLeft) {
            const size_t n = std::min(m_nRunLeft, count - done);
            std::memset(line + done, m_runValue, n);
            done += n;
            m_nRunLeft -= n;
            continue;
        }
        if (m_nPos == m_nEnd && !Refill()) return false;
        // Literals, straight from the buffer, until a count byte comes (kept
        // in locals: stores through `line` could alias the members).
        const BYTE* in = m_buffer.data();
        size_t pos = m_nPos, at = done;
        const size_t end = m_nEnd;
        while (at < count && pos < end && in[pos] < kCountFlag) line[at++] = in[pos++];
        m_nPos = pos;
        done = at;
        if (done == count || m_nPos == m_nEnd) continue;
        const size_t length = in[m_nPos++] & ~kCountFlag;
        if (m_nPos == m_nEnd && !Refill()) return false;
        m_runValue = m_buffer[m_nPos++];
        m_nRunLeft = length;
    }
    return true;
}

size_t EncodeLine(const BYTE* line, size_t planeBytes, int planes, BYTE* out) {
    BYTE* at = out;
    if (planes > 1) {
        for (int p = 0; p < planes; ++p) at = EncodeSegment(line + static_cast<size_t>(p) * planeBytes, planeBytes, at);
        return static_cast<size_t>(at - out);
    }
    for (size_t s = 0; s < 4; ++s) {
        const size_t begin = s * planeBytes / 4, end = (s + 1) * planeBytes / 4;
        at = EncodeSegment(line + begin, end - begin, at);
    }
    return static_cast<size_t>(at - out);
}

}  // namespace velmora::pcx
