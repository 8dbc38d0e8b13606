// Fixed-width layout counts bytes; the fill is the single-byte space.
#include <gtest/gtest.h>

#include <climits>

#include "support/expect_rows.h"
#include "velmora/environment.h"

namespace {

#define TWO_CHINESE "\xD6\xD0\xCE\xC4"  // 中文: 2 characters, 4 bytes

// An odd remainder goes to the right; text at least as wide as the field is
// never cut; repeats beyond a string's length give an empty string.
TEST(TextLayout, FieldsAndRepeats) {
    // clang-format off
    const std::pair<CString, const char*> rows[] = {
        {GetCenterString("ab", 7), "  ab   "}, {GetCenterString("ab", 6), "  ab  "}, {GetCenterString("ab", 3), "ab "},
        {GetCenterString(TWO_CHINESE, 7), " " TWO_CHINESE "  "}, {GetCenterString("abcdefgh", 4), "abcdefgh"},
        {GetLeftString("abcdefgh", 4), "abcdefgh"}, {GetRightString("abcdefgh", 8), "abcdefgh"},
        {GetCenterString("ab", -5), "ab"}, {GetLeftString(TWO_CHINESE, 6), TWO_CHINESE "  "},
        {GetRightString(TWO_CHINESE, 6), "  " TWO_CHINESE}, {GetRightString("", 3), "   "},
        {DupString("-=", 3), "-=-=-="}, {DupString("ab", 1), "ab"}, {DupString("ab", 0), ""},
        {DupString("ab", -3), ""}, {DupString("abcd", INT_MAX / 2), ""}};
    // clang-format on
    vtest::ExpectRows(rows);
}

}  // namespace
