// GIF streams written by hand for the tests: codes packed at chosen widths,
// literal-only streams (every pixel a root code) with or without clear
// codes, and a reader that walks a stream's codes with the decoder's width
// rule. Independent of the library's coder.
#pragma once

#include <cstdint>
#include <vector>

namespace vtest {

using Bytes = std::vector<unsigned char>;

// The code width a decoder uses: minimum code size + 1 after a clear code,
// one more each time the next free entry reaches 2^width, at most 12.
struct WidthRule {
    int codeSize, clear, next = 0, width = 0;
    bool afterClear = true;
    explicit WidthRule(int size) : codeSize(size), clear(1 << size) { Reset(); }
    void Reset() {
        next = clear + 2;
        width = codeSize + 1;
        afterClear = true;
    }
    // A data code was read: the entry it completes is added.
    void Saw(int code) {
        if (code == clear) return Reset();
        if (!afterClear && next < 4096 && ++next == 1 << width && width < 12) ++width;
        afterClear = false;
    }
};

class CodePacker {
public:
    void Put(int code, int width) {
        m_acc |= static_cast<uint64_t>(code) << m_held;
        for (m_held += width; m_held >= 8; m_held -= 8, m_acc >>= 8) m_bytes.push_back(m_acc & 0xFF);
    }
    // Code size byte, sub-blocks of at most 255 bytes, terminator.
    Bytes Stream(int codeSize) {
        if (m_held > 0) m_bytes.push_back(m_acc & 0xFF), m_held = 0;
        Bytes out{static_cast<unsigned char>(codeSize)};
        for (size_t i = 0; i < m_bytes.size(); i += 255) {
            size_t n = std::min<size_t>(255, m_bytes.size() - i);
            out.push_back(static_cast<unsigned char>(n));
            out.insert(out.end(), m_bytes.begin() + i, m_bytes.begin() + i + n);
        }
        out.push_back(0);
        return out;
    }

private:
    Bytes m_bytes;
    uint64_t m_acc = 0;
    int m_held = 0;
};

// Every pixel as its root code; a clear code first and after every
// `clearEvery` pixels (0: never again, so the table fills and codes stay at
// 12 bits); the end code last unless `withEnd` is false.
inline Bytes LiteralStream(const Bytes& pixels, int codeSize, size_t clearEvery, bool withEnd = true,
                           bool leadingClear = true) {
    WidthRule rule(codeSize);
    CodePacker packer;
    auto put = [&](int code) {
        packer.Put(code, rule.width);
        rule.Saw(code);
    };
    if (leadingClear) put(rule.clear);
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (clearEvery && i && i % clearEvery == 0) put(rule.clear);
        put(pixels[i]);
    }
    if (withEnd) put(rule.clear + 1);
    return packer.Stream(codeSize);
}

// A whole file: GIF89a, a global table of 2^tableBits grey entries,
// `extensions` as given, one image of the given size, `data`, the trailer.
inline Bytes GifFile(int width, int height, int tableBits, const Bytes& data, bool interlaced = false,
                     const Bytes& extensions = {}) {
    Bytes f = {'G', 'I', 'F', '8', '9', 'a'};
    auto le16 = [&f](int v) {
        f.push_back(v & 0xFF);
        f.push_back(v >> 8 & 0xFF);
    };
    le16(width);
    le16(height);
    f.insert(f.end(), {static_cast<unsigned char>(0x80 | (tableBits - 1)), 0, 0});
    for (int i = 0; i < 1 << tableBits; ++i) f.insert(f.end(), 3, static_cast<unsigned char>(i));
    f.insert(f.end(), extensions.begin(), extensions.end());
    f.push_back(',');
    le16(0);
    le16(0);
    le16(width);
    le16(height);
    f.push_back(interlaced ? 0x40 : 0);
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(';');
    return f;
}

// The codes of the image data stream starting at `at` (the code size byte),
// read with the decoder's width rule up to the end code; each with its width.
struct Code {
    int value, width;
};
inline std::vector<Code> ReadCodes(const Bytes& file, size_t at) {
    const int codeSize = file.at(at++);
    Bytes data;
    for (size_t n; (n = file.at(at++)) != 0; at += n) data.insert(data.end(), file.begin() + at, file.begin() + at + n);
    WidthRule rule(codeSize);
    std::vector<Code> codes;
    uint64_t acc = 0;
    int held = 0;
    size_t pos = 0;
    for (;;) {
        while (held < rule.width && pos < data.size()) acc |= static_cast<uint64_t>(data[pos++]) << held, held += 8;
        if (held < rule.width) break;
        Code code{static_cast<int>(acc & ((1u << rule.width) - 1)), rule.width};
        acc >>= rule.width, held -= rule.width;
        codes.push_back(code);
        if (code.value == rule.clear + 1) break;
        rule.Saw(code.value);
    }
    return codes;
}

}  // namespace vtest
