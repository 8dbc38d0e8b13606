// File-dialog filters and per-type patterns, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"
#include "velmora/environment.h"

namespace {

// GBK bytes of the two descriptions' Chinese parts.
const std::string kImageFileGbk = "\xCD\xBC\xCF\xF3\xCE\xC4\xBC\xFE";                  // 图象文件
const std::string kAllImageFilesGbk = "\xCB\xF9\xD3\xD0\xCD\xBC\xCF\xF1\xCE\xC4\xBC\xFE";  // 所有图像文件

TEST(FileTypes, DIBFilterListsEveryTypeInTableOrder) {
    std::string expected = "Bitmap" + kImageFileGbk + "(*.BMP)|*.BMP|" +  //
                           "Gif" + kImageFileGbk + "(*.GIF)|*.GIF|" +     //
                           "Jpg" + kImageFileGbk + "(*.JPG)|*.JPG|" +     //
                           "Pcx" + kImageFileGbk + "(*.PCX)|*.PCX|" +     //
                           "Tiff" + kImageFileGbk + "(*.TIF)|*.TIF|" +    //
                           "Png" + kImageFileGbk + "(*.PNG)|*.PNG||";
    EXPECT_EQ(GetDIBFilter().str(), expected);
}

TEST(FileTypes, AllDIBsFilterKeepsTheSemicolonAfterTheLastDescribedPattern) {
    std::string expected = kAllImageFilesGbk +
                           "(*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG;)|*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG||";
    EXPECT_EQ(GetAllDIBsFilter().str(), expected);
}

TEST(FileTypes, DIBExtFollowsTheFileFormatCodes) {
    EXPECT_STREQ(GetDIBExt(DIBTYPE_BMP), "*.BMP");
    EXPECT_STREQ(GetDIBExt(DIBTYPE_TIF), "*.TIF");
    EXPECT_STREQ(GetDIBExt(DIBTYPE_PCX), "*.PCX");
    EXPECT_STREQ(GetDIBExt(DIBTYPE_GIF), "*.GIF");
    EXPECT_STREQ(GetDIBExt(DIBTYPE_JPG), "*.JPG");
    EXPECT_STREQ(GetDIBExt(DIBTYPE_PNG), "*.PNG");
}

TEST(FileTypes, DIBExtOfUnknownCodesIsEveryFile) {
    EXPECT_STREQ(GetDIBExt(DIBTYPE_NONE), "*.*");
    EXPECT_STREQ(GetDIBExt(-2), "*.*");
    EXPECT_STREQ(GetDIBExt(1 << 30), "*.*");
}

TEST(FileTypes, DIBExtOfMinusOneUsesTheDefaultType) {
    vtest::ScopedSettings keep;
    SetDefaultDIBType(DIBTYPE_JPG);
    EXPECT_STREQ(GetDIBExt(-1), "*.JPG");
}

}  // namespace
