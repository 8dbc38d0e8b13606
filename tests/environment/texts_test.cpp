// The library's texts are GBK bytes: one against its known bytes, the rest
// through their UTF-8 spelling (GBK to UTF-8 is one-to-one, so equal
// conversions mean equal bytes).
#include "environment/texts.h"

#include <gtest/gtest.h>

#include <string>

#include "velmora/encoding.h"

namespace {

TEST(Texts, AreTheGbkBytesOfTheirUtf8Spelling) {
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
    for (const auto& c : cases) EXPECT_EQ(GbkToUtf8(c.first), c.second);
}

}  // namespace
