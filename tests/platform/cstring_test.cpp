// CString (GBK-aware search and case) and GBK conversion for the terminal.
#include "velmora/cstring.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

#include "velmora/encoding.h"
#include "support/expect_rows.h"

namespace {

// "\x95\\" is one GBK character whose trail byte is '\\'; "\x8B\x61" one whose trail byte is 'a'.
const CString kTrailBackslash("a\x95\\b"), kTrailLetter("x\x8B\x61y");
const char* const kNull = nullptr;

// "\x61y" is in kTrailLetter's bytes, but 0x61
// there is a trail byte; "ab\x95" ends in a lone lead byte.
TEST(CStringGbk, SearchesMatchOnlyAtCharacterStarts) {
    const CString path = "dir\\" + kTrailBackslash + "\\name";
    // clang-format off
    const std::pair<int, int> found[] = {
        {kTrailBackslash.Find('\\'), -1}, {kTrailBackslash.Find("\\"), -1}, {kTrailBackslash.Find('b'), 3},
        {kTrailBackslash.Find("\x95\\"), 1}, {path.Find('\\'), 3}, {path.Find('\\', 4), 8},
        {path.ReverseFind('\\'), 8}, {CString("c:\\x\x95\\").ReverseFind('\\'), 2},
        {CString("\x95\\").ReverseFind('\\'), -1}, {CString("abc").ReverseFind('z'), -1},
        {kTrailLetter.Find("ay"), -1}, {kTrailLetter.Find("y"), 3}, {kTrailLetter.Find(""), 0},
        {kTrailLetter.Find("y", 10), -1}, {kTrailLetter.Find(kNull), -1}, {CString("ab\x95").Find('b'), 1}};
    // clang-format on
    vtest::ExpectRows(found);
}

TEST(CStringGbk, CaseChangesLeaveTrailBytesAlone) {
    CString s = kTrailLetter, lone("ab\x95");
    s.MakeUpper();
    EXPECT_EQ(s, "X\x8B\x61Y");
    s.MakeLower();
    EXPECT_EQ(s, kTrailLetter);
    lone.MakeUpper();
    EXPECT_EQ(lone, "AB\x95");
}

TEST(CStringBasics, SlicesClipConcatenationAndComparison) {
    const CString s("abcdef");
    CString t = CString("a") + "b" + 'c';
    t += CString("d");
    t += 'e';
    t += kNull;
    const std::pair<CString, const char*> made[] = {
        {s.Left(3), "abc"},        {s.Left(100), "abcdef"},  {s.Left(-2), ""},     {s.Mid(4), "ef"},
        {s.Mid(10), ""},           {s.Mid(-3, 2), "ab"},     {s.Mid(4, 10), "ef"}, {s.Mid(2, -1), ""},
        {s.Right(2), "ef"},        {s.Right(10), "abcdef"},  {s.Right(-1), ""},    {CString(kNull), ""},
        {CString("abc", 2), "ab"}, {CString('-', 3), "---"}, {t, "abcde"},         {'>' + t, ">abcde"},
        {"<" + t, "<abcde"}};
    vtest::ExpectRows(made);
    EXPECT_TRUE(t != "abcd");
    EXPECT_EQ(t.Compare("abcde"), 0);
    EXPECT_LT(t.Compare("b"), 0);
    EXPECT_EQ(std::string(static_cast<const char*>(t)), "abcde");
    t = t.Mid(1).c_str();  // assigning from itself
    EXPECT_EQ(t, "bcde");
    EXPECT_EQ(t.GetAt(10), '\0');
    t.SetAt(10, 'x');
    EXPECT_EQ(t, "bcde");
    CString padded(" \t ab c \r\n");
    padded.TrimLeft();
    EXPECT_EQ(padded, "ab c \r\n");
    padded.TrimRight();
    EXPECT_EQ(padded, "ab c");
}

TEST(CStringBuffer, FormatAnyLengthAndGetBufferThenReleaseBuffer) {
    CString s;
    s.Format("%s-%d", std::string(5000, 'q').c_str(), 7);
    EXPECT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(s.Right(2), "-7");
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());

    s = "ab";
    char* buffer = s.GetBuffer(10);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer[0], 'a');
    std::snprintf(buffer, 11, "%s", "hello");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "hello");
    EXPECT_EQ(s.GetLength(), 5);
    s.GetBuffer(0)[1] = 'E';
    s.ReleaseBuffer(3);
    EXPECT_EQ(s, "hEl");
    s.GetBuffer(2);
    s.ReleaseBuffer(50);  // longer than the buffer: clipped
    EXPECT_EQ(s, "hEl");
}

TEST(Encoding, GbkConvertsAndWhatCannotBecomesAQuestionMark) {
    EXPECT_EQ(GbkToUtf8("\xB4\xF2\xBF\xAA"), "\xE6\x89\x93\xE5\xBC\x80");  // 打开
    EXPECT_EQ(GbkToUtf8("plain"), "plain");
    EXPECT_EQ(GbkToUtf8(nullptr), "");
    EXPECT_EQ(GbkToUtf8("a\xFF-b"), "a?-b");  // 0xFF is never GBK
    EXPECT_EQ(GbkToUtf8("ab\xB4"), "ab?");    // a lead byte without its trail
    EXPECT_EQ(ConvertGbk("x\xB4\xF2y", "ASCII"), "x?y");
    EXPECT_EQ(ConvertGbk("\xB4\xF2", "NO-SUCH-CHARSET"), "\xB4\xF2");  // left alone
}

}  // namespace
