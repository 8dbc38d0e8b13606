#include "velmora/cstring.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// "\x95\x5C" is one GBK character whose trail byte is '\\'; "\x8B\x61" one whose trail byte is 'a'.
const char kTrailBackslash[] = "a\x95\x5C" "b";
const char kTrailLetter[] = "x\x8B\x61y";

TEST(CStringGbk, FindSkipsTrailBytes) {
    CString s(kTrailBackslash);
    EXPECT_EQ(s.Find('\\'), -1);
    EXPECT_EQ(s.Find("\\"), -1);
    EXPECT_EQ(s.Find('b'), 3);
    EXPECT_EQ(s.Find("\x95\x5C"), 1);

    CString path = CString("dir\\") + kTrailBackslash + "\\name";
    EXPECT_EQ(path.Find('\\'), 3);
    EXPECT_EQ(path.Find('\\', 4), 8);
    EXPECT_EQ(path.ReverseFind('\\'), 8);
}

TEST(CStringGbk, ReverseFindIgnoresTrailByteAtEnd) {
    CString s("c:\\x\x95\x5C");
    EXPECT_EQ(s.ReverseFind('\\'), 2);
    EXPECT_EQ(CString("\x95\x5C").ReverseFind('\\'), -1);
    EXPECT_EQ(CString("abc").ReverseFind('z'), -1);
}

TEST(CStringGbk, FindSubstringOnlyAtCharacterStarts) {
    // "\x61y" appears in the bytes, but 0x61 there is a trail byte.
    CString s(kTrailLetter);
    EXPECT_EQ(s.Find("ay"), -1);
    EXPECT_EQ(s.Find("y"), 3);
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.Find("y", 10), -1);
    EXPECT_EQ(s.Find(static_cast<const char*>(nullptr)), -1);
}

TEST(CStringGbk, MakeUpperLeavesTrailBytesAlone) {
    CString s(kTrailLetter);
    s.MakeUpper();
    EXPECT_EQ(s, "X\x8B\x61Y");
    s.MakeLower();
    EXPECT_EQ(s, kTrailLetter);
}

TEST(CStringGbk, LoneLeadByteAtEndIsOneCharacter) {
    CString s("ab\x95");
    EXPECT_EQ(s.Find('b'), 1);
    s.MakeUpper();
    EXPECT_EQ(s, "AB\x95");
}

TEST(CStringSlices, LeftMidRightClip) {
    CString s("abcdef");
    EXPECT_EQ(s.Left(3), "abc");
    EXPECT_EQ(s.Left(100), "abcdef");
    EXPECT_EQ(s.Left(-2), "");
    EXPECT_EQ(s.Mid(4), "ef");
    EXPECT_EQ(s.Mid(10), "");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Mid(4, 10), "ef");
    EXPECT_EQ(s.Mid(2, -1), "");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(10), "abcdef");
    EXPECT_EQ(s.Right(-1), "");
}

TEST(CStringFormat, PrintfStyleAnyLength) {
    CString s;
    s.Format("Page%X.dat", 0xBEEFu);
    EXPECT_EQ(s, "PageBEEF.dat");
    std::string longText(5000, 'q');
    s.Format("%s-%d", longText.c_str(), 7);
    EXPECT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(s.Right(2), "-7");
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringBuffer, GetBufferThenReleaseBuffer) {
    CString s("ab");
    char* buffer = s.GetBuffer(10);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer[0], 'a');
    std::snprintf(buffer, 11, "%s", "hello");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "hello");
    EXPECT_EQ(s.GetLength(), 5);

    buffer = s.GetBuffer(0);
    buffer[1] = 'E';
    s.ReleaseBuffer(3);
    EXPECT_EQ(s, "hEl");
    s.GetBuffer(2);
    s.ReleaseBuffer(50);  // longer than the buffer: clipped
    EXPECT_EQ(s, "hEl");
}

TEST(CStringBasics, ConstructConcatenateCompare) {
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_EQ(CString("abc", 2), "ab");
    EXPECT_EQ(CString('-', 3), "---");
    CString s = CString("a") + "b" + 'c';
    s += CString("d");
    s += 'e';
    s += static_cast<const char*>(nullptr);
    EXPECT_EQ(s, "abcde");
    EXPECT_EQ('>' + s, ">abcde");
    EXPECT_EQ("<" + s, "<abcde");
    EXPECT_TRUE(s != "abcd");
    EXPECT_EQ(s.Compare("abcde"), 0);
    EXPECT_LT(s.Compare("b"), 0);
    EXPECT_EQ(std::string(static_cast<const char*>(s)), "abcde");
    s = s.Mid(1).c_str();  // assigning from itself
    EXPECT_EQ(s, "bcde");
    EXPECT_EQ(s.GetAt(10), '\0');
    s.SetAt(10, 'x');
    EXPECT_EQ(s, "bcde");
}

TEST(CStringBasics, Trim) {
    CString s(" \t ab c \r\n");
    s.TrimLeft();
    EXPECT_EQ(s, "ab c \r\n");
    s.TrimRight();
    EXPECT_EQ(s, "ab c");
}

}  // namespace
