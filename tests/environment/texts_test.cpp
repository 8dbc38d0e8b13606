// The library's texts are GBK bytes, checked against an independent
// conversion of their UTF-8 spelling.
#include "environment/texts.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace {

std::string Utf8ToGbk(std::string in) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<iconv unavailable>";
    std::string out(in.size() * 2 + 4, '\0');
    char *src = in.data(), *dst = out.data();
    size_t srcLeft = in.size(), dstLeft = out.size();
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return "<not convertible>";
    out.resize(out.size() - dstLeft);
    return out;
}

TEST(Texts, MatchAnIndependentConversionOfTheirUtf8Spelling) {
    using namespace velmora::text;
    EXPECT_EQ(std::string(kOpenFailed), "\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE\xCA\xA7\xB0\xDC");
    const std::pair<const char*, const char*> cases[] = {
        {kBitmapFiles, "Bitmap图象文件"},
        {kAllImageFiles, "所有图像文件"},
        {kReadingImage, "正在读取图像文件......"},
        {kSavingTiff, "正在存储到TIFF文件......"},
        {kGifOnly256Colour, "本系统不支持非256色位图GIF存储"},
        {kOutOfMemory, "内存不足!"},
        {kTraceLockFailed, "\t不能锁定内存块"},
        {kPngReadTooLarge,
         "提示: 因为Png解压系统不支持磁盘映射,您的内存可用空间为%d兆,小于实际位图大小(%d兆)，如运行本操作,"
         "系统可能会瘫痪"},
        {kWrongData, "The Wrong Data"},
    };
    for (const auto& c : cases) EXPECT_EQ(std::string(c.first), Utf8ToGbk(c.second)) << c.second;
}

}  // namespace
