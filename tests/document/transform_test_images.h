// Images for the transform tests: random filling, snapshots taken row by row
// through GetDIBRow (independent of the code under test), pixel reads from
// snapshots, and images of every bit count in memory or spanning several
// page-file windows.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "codecs/image_fixture.h"

namespace ttest {

inline size_t HeaderBytes(int bitCount) { return 40 + (bitCount <= 8 ? 4u << bitCount : 0u); }

// An image's header block and rows in storage order.
struct Snapshot {
    int width = 0, height = 0, bitCount = 0;
    size_t stride = 0;
    std::vector<BYTE> header, rows;

    const BYTE* Row(int r) const { return rows.data() + static_cast<size_t>(r) * stride; }
    uint32_t Pixel(int x, int r) const { return vtest::PixelAt(Row(r), x, bitCount); }
    const RGBQUAD* Colors() const { return reinterpret_cast<const RGBQUAD*>(header.data() + 40); }
    const BITMAPINFOHEADER& Info() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(header.data()); }
};

inline Snapshot Take(CNewDIB& image) {
    Snapshot s{image.GetWidth(), image.GetHeight(), image.GetBitCount(), image.GetBytesPerLine(), {}, {}};
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

// Pixels (x, r) of `out` that differ from pixel from(x, r) of `src`.
template <class From>
int WrongPixels(const Snapshot& out, const Snapshot& src, From from) {
    int wrong = 0;
    for (int r = 0; r < out.height; ++r)
        for (int x = 0; x < out.width; ++x) {
            const auto [sx, sr] = from(x, r);
            wrong += out.Pixel(x, r) != src.Pixel(sx, sr);
        }
    return wrong;
}

// Every byte of the colour table and of the rows (padding included) from a
// small generator, so that neighbouring pixels seldom agree.
inline void FillPattern(CNewDIB& image, uint32_t seed) {
    uint32_t state = seed * 2654435761u + 1;
    auto next = [&state] {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        return static_cast<BYTE>(state >> 11);
    };
    BYTE* info = reinterpret_cast<BYTE*>(image.GetBitmapInfo());
    for (size_t i = 40; i < HeaderBytes(image.GetBitCount()); ++i) info[i] = next();
    for (int r = 0; r < image.GetHeight(); ++r) {
        BYTE* row = image.GetDIBRow(r);
        for (size_t i = 0; i < image.GetBytesPerLine(); ++i) row[i] = next();
    }
}

// Rows of the first window: less than the height when the image lies in a
// page file of several windows.
inline int FirstRunRows(CNewDIB& image) {
    int count = 0;
    image.GetDIBBuffer(0, &count, 1);
    return count;
}

struct Size {
    int width, height;
};

// One bit count, in memory (37 x 23 pixels) or in a page file of about 2.5
// windows of 128 KiB (PageFileMode(4 * kMiB)). Widths are odd so that rows end in padding and partly used bytes.
struct Case {
    int bitCount;
    bool pageFile;
    Size size() const {
        if (!pageFile) return {37, 23};
        const int width = bitCount <= 8 ? 2400 / bitCount + 1 : 240 / (bitCount / 8) * 3 + 1;
        const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
        return {width, static_cast<int>((size_t{320} << 10) / stride)};
    }
};

inline std::string CaseName(const testing::TestParamInfo<Case>& info) {
    return std::to_string(info.param.bitCount) + (info.param.pageFile ? "BitPageFile" : "BitMemory");
}

inline std::vector<Case> AllCases(std::initializer_list<int> bitCounts) {
    std::vector<Case> cases;
    for (bool pageFile : {false, true})
        for (int bitCount : bitCounts) cases.push_back({bitCount, pageFile});
    return cases;
}

// A filled image of the case's bit count and size, and its snapshot.
class ImageCase : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (GetParam().pageFile) m_pages = std::make_unique<vtest::PageFileMode>(4 * vtest::kMiB);
        const Size size = GetParam().size();
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

    std::unique_ptr<vtest::PageFileMode> m_pages;
    std::unique_ptr<CNewDIB> m_image;
    Snapshot m_before;
};

}  // namespace ttest
