#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(Encoding, GbkToUtf8) {
    // "打开文件失败"
    EXPECT_EQ(GbkToUtf8("\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE\xCA\xA7\xB0\xDC"),
              "\xE6\x89\x93\xE5\xBC\x80\xE6\x96\x87\xE4\xBB\xB6\xE5\xA4\xB1\xE8\xB4\xA5");
    EXPECT_EQ(GbkToUtf8("plain"), "plain");
    EXPECT_EQ(GbkToUtf8(nullptr), "");
}

TEST(Encoding, InvalidBytesAreReplaced) {
    // 0xFF is never GBK; a lead byte at the end has no trail.
    EXPECT_EQ(GbkToUtf8("a\xFF" "b"), "a?b");
    EXPECT_EQ(GbkToUtf8("ab\xB4"), "ab?");
}

TEST(Encoding, UnknownCharsetLeavesTextAlone) {
    EXPECT_EQ(ConvertGbk("\xB4\xF2", "NO-SUCH-CHARSET"), "\xB4\xF2");
    // A character the target cannot hold becomes one '?'.
    EXPECT_EQ(ConvertGbk("x\xB4\xF2y", "ASCII"), "x?y");
}

}  // namespace
