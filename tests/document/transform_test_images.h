// Images for the transform tests: filling them, copying them out row by row,
// reading single pixels from the copy, and a page-file mode with small
// windows so that modest images span several of them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "velmora/newdib.h"

namespace ttest {

// Pixel x of a packed row: 1, 2, 4 and 8 bits from the most significant bit,
// wider pixels as their bytes read little-endian.
inline uint32_t PixelAt(const BYTE* row, int x, int bitCount) {
    if (bitCount <= 8) {
        const size_t bit = static_cast<size_t>(x) * bitCount;
        const int shift = 8 - bitCount - static_cast<int>(bit % 8);
        return (row[bit / 8] >> shift) & ((1u << bitCount) - 1);
    }
    const int bytes = bitCount / 8;
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | row[static_cast<size_t>(x) * bytes + i];
    return value;
}

// A copy of an image's header block and rows (storage order), taken one row
// at a time through GetDIBRow so it does not depend on the code under test.
struct Snapshot {
    int width = 0, height = 0, bitCount = 0;
    size_t stride = 0;
    std::vector<BYTE> header;
    std::vector<BYTE> rows;

    const BYTE* Row(int r) const { return rows.data() + static_cast<size_t>(r) * stride; }
    uint32_t Pixel(int x, int r) const { return PixelAt(Row(r), x, bitCount); }
    const RGBQUAD* Colors() const { return reinterpret_cast<const RGBQUAD*>(header.data() + 40); }
    const BITMAPINFOHEADER& Info() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(header.data()); }
};

inline size_t HeaderBytes(int bitCount) { return 40 + (bitCount <= 8 ? 4u << bitCount : 0u); }

inline Snapshot Take(CNewDIB& image) {
    Snapshot s;
    s.width = image.GetWidth();
    s.height = image.GetHeight();
    s.bitCount = image.GetBitCount();
    s.stride = image.GetBytesPerLine();
    const BYTE* info = reinterpret_cast<const BYTE*>(image.GetBitmapInfo());
    s.header.assign(info, info + HeaderBytes(s.bitCount));
    s.rows.resize(s.stride * static_cast<size_t>(s.height));
    for (int r = 0; r < s.height; ++r) {
        const BYTE* row = image.GetDIBRow(r);
        if (!row) return Snapshot{};
        std::memcpy(s.rows.data() + static_cast<size_t>(r) * s.stride, row, s.stride);
    }
    return s;
}

// Every byte of the colour table and of the rows (padding included) from a
// simple generator, so no two neighbouring pixels are likely to agree.
inline void FillPattern(CNewDIB& image, uint32_t seed) {
    uint32_t state = seed * 2654435761u + 1;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<BYTE>(state >> 11);
    };
    BYTE* info = reinterpret_cast<BYTE*>(image.GetBitmapInfo());
    for (size_t i = 40; i < HeaderBytes(image.GetBitCount()); ++i) info[i] = next();
    const size_t stride = image.GetBytesPerLine();
    for (int r = 0; r < image.GetHeight(); ++r) {
        BYTE* row = image.GetDIBRow(r);
        for (size_t i = 0; i < stride; ++i) row[i] = next();
    }
}

// Rows of the first window: less than the height when the image lies in a
// page file that spans several windows.
inline int FirstRunRows(CNewDIB& image) {
    int count = 0;
    image.GetDIBBuffer(0, &count, 1);
    return count;
}

// Page-file mode: images of at least total / 32 bytes go to page files in a
// temporary directory, mapped in windows of total / 32 bytes.
class PageFiles {
public:
    explicit PageFiles(uint64_t total = uint64_t{4} << 20) : m_figures(total, total) {
        SetVirtualDirectory(m_dir.dir().c_str());
        SetLoadImageNumber(1);
        SetImageUseMemSize(1);
    }
    const vtest::TempDir& Dir() const { return m_dir; }

private:
    vtest::TempDir m_dir;
    vtest::ScopedSettings m_settings;
    vtest::ScopedMemoryFigures m_figures;
};

// Sizes for an image of `bitCount` bits: a few odd-sized pixels in memory,
// or about 2.5 windows of PageFiles() in a page file. Widths are odd so that
// rows end in padding and partly used bytes.
struct Size {
    int width, height;
};
inline Size TestSize(int bitCount, bool pageFile) {
    if (!pageFile) return {37, 23};
    const int width = bitCount <= 8 ? 2400 / bitCount + 1 : 240 / (bitCount / 8) * 3 + 1;
    const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    return {width, static_cast<int>((size_t{320} << 10) / stride)};
}

// One bit count, in memory or in a page file of several windows.
struct Case {
    int bitCount;
    bool pageFile;
};

inline std::string CaseName(const testing::TestParamInfo<Case>& info) {
    return std::to_string(info.param.bitCount) + (info.param.pageFile ? "BitPageFile" : "BitMemory");
}

// A filled image of the case's bit count and size, and its snapshot.
class ImageCase : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (GetParam().pageFile) m_pages = std::make_unique<PageFiles>();
        const Size size = TestSize(GetParam().bitCount, GetParam().pageFile);
        m_image = std::make_unique<CNewDIB>(size.width, size.height, GetParam().bitCount);
        ASSERT_TRUE(m_image->Ready());
        FillPattern(*m_image, static_cast<uint32_t>(GetParam().bitCount));
        if (GetParam().pageFile) {
            ASSERT_LT(FirstRunRows(*m_image), size.height) << "one window holds it all";
        }
        m_before = Take(*m_image);
    }
    void TearDown() override {
        m_image.reset();  // its page file goes before the directory
        m_pages.reset();
    }

    std::unique_ptr<PageFiles> m_pages;
    std::unique_ptr<CNewDIB> m_image;
    Snapshot m_before;
};

}  // namespace ttest
