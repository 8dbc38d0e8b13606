// Fixed-width layout counts bytes; the fill is the single-byte space.
#include <gtest/gtest.h>

#include <climits>

#include "velmora/environment.h"

namespace {

const char kTwoChinese[] = "\xD6\xD0\xCE\xC4";  // 中文: 2 characters, 4 bytes

TEST(TextLayout, CentringPutsAnOddRemainderOnTheRight) {
    EXPECT_STREQ(GetCenterString("ab", 7), "  ab   ");
    EXPECT_STREQ(GetCenterString("ab", 6), "  ab  ");
    EXPECT_STREQ(GetCenterString("ab", 3), "ab ");
    EXPECT_STREQ(GetCenterString(kTwoChinese, 7), " \xD6\xD0\xCE\xC4  ");
}

TEST(TextLayout, TextAtLeastAsWideAsTheFieldIsNeverCut) {
    EXPECT_STREQ(GetCenterString("abcdefgh", 4), "abcdefgh");
    EXPECT_STREQ(GetLeftString("abcdefgh", 4), "abcdefgh");
    EXPECT_STREQ(GetRightString("abcdefgh", 8), "abcdefgh");
    EXPECT_STREQ(GetCenterString("ab", -5), "ab");
}

TEST(TextLayout, WidthsCountBytesOfDoubleByteText) {
    EXPECT_STREQ(GetLeftString(kTwoChinese, 6), "\xD6\xD0\xCE\xC4  ");
    EXPECT_STREQ(GetRightString(kTwoChinese, 6), "  \xD6\xD0\xCE\xC4");
    EXPECT_STREQ(GetRightString("", 3), "   ");
}

TEST(TextLayout, DupStringRepeatsAndGivesEmptyForNoRepeats) {
    EXPECT_STREQ(DupString("-=", 3), "-=-=-=");
    EXPECT_STREQ(DupString("ab", 1), "ab");
    EXPECT_STREQ(DupString("ab", 0), "");
    EXPECT_STREQ(DupString("ab", -3), "");
}

TEST(TextLayout, DupStringRefusesAResultBeyondAStringsLength) {
    EXPECT_STREQ(DupString("abcd", INT_MAX / 2), "");
}

TEST(MatchColor, NearestEntryWinsAndTiesGoToTheLowerIndex) {
    const DWORD table[] = {0x000000, 0xFFFFFF, 0x102030, 0x102030, 0x0000FF};
    EXPECT_EQ(MatchColorIndex(5, table, 0x112131), 2);
    EXPECT_EQ(MatchColorIndex(5, table, 0x0000F0), 4);
    EXPECT_EQ(MatchColorIndex(5, table, 0xFEFEFE), 1);
}

TEST(MatchColor, TopByteIsIgnored) {
    const DWORD table[] = {0xFF000000, 0x00808080};
    EXPECT_EQ(MatchColorIndex(2, table, 0x00000001), 0);
    EXPECT_EQ(MatchColorIndex(2, table, 0xAA7F7F7F), 1);
}

TEST(MatchColor, EmptyTableGivesZeroWithoutReadingIt) {
    EXPECT_EQ(MatchColorIndex(0, nullptr, 0x123456), 0);
    EXPECT_EQ(MatchColorIndex(-2, nullptr, 0x123456), 0);
}

}  // namespace
