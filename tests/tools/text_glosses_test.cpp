// Library texts as the tool shows them: every text has an English gloss, and
// the gloss stands beside the text or, where the terminal cannot show
// Chinese, alone.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "environment/texts.h"
#include "tools/text_glosses.h"
#include "velmora/encoding.h"

namespace {

using velmora::cli::GlossOf;
using velmora::cli::ShowLibraryText;

// The C string literal starting at text[at] (a '"'), escapes resolved;
// `at` moves past it.
std::string ReadLiteral(const std::string& text, size_t* at) {
    std::string value;
    size_t i = *at + 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            value += text[i];
            continue;
        }
        const char e = text[++i];
        value += e == 't' ? '\t' : e == 'n' ? '\n' : e;
    }
    *at = i + 1;
    return value;
}

// Every text defined in the library's text table (UTF-8 in its source): the
// literals of each "const char* const kName = ...;" definition, joined.
std::vector<std::string> LibraryTexts() {
    std::ifstream in(std::string(VELMORA_TEST_DATA_DIR) + "/../../environment/texts.cpp");
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string source = buffer.str();
    std::vector<std::string> texts;
    size_t at = 0;
    while ((at = source.find("const char* const k", at)) != std::string::npos) {
        size_t i = source.find('=', at) + 1;
        std::string text;
        for (;;) {  // adjacent literals join
            while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i]))) ++i;
            if (i >= source.size() || source[i] != '"') break;
            text += ReadLiteral(source, &i);
        }
        texts.push_back(text);
        at = i;
    }
    return texts;
}

bool IsAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

TEST(TextGlosses, EveryLibraryTextHasAGloss) {
    const std::vector<std::string> texts = LibraryTexts();
    ASSERT_GT(texts.size(), 40u) << "the text table was not found or not understood";
    for (const std::string& text : texts) {
        if (IsAscii(text)) continue;  // shown as it is
        EXPECT_FALSE(GlossOf(text).empty())
            << "no English gloss for the library text \"" << text << "\": add one to tools/text_glosses.cpp";
    }
}

TEST(TextGlosses, GlossStandsBesideTheTextOrAloneWhereTheTerminalLacksChinese) {
    EXPECT_EQ(ShowLibraryText(velmora::text::kOpenFailed, "UTF-8"), "打开文件失败 (cannot open the file)");
    EXPECT_EQ(ShowLibraryText(velmora::text::kOpenFailed, "ANSI_X3.4-1968"), "cannot open the file");
    EXPECT_EQ(ShowLibraryText(velmora::text::kOpenFailed, "ISO-8859-1"), "cannot open the file");
    // A Chinese character set shows the text in its own bytes.
    EXPECT_EQ(ShowLibraryText(velmora::text::kOpenFailed, "GB18030"),
              std::string(velmora::text::kOpenFailed) + " (cannot open the file)");
    // Trailing dots and leading whitespace do not hide a text from its gloss.
    EXPECT_EQ(ShowLibraryText(velmora::text::kReadingImage, "ANSI_X3.4-1968"), "reading the image file");
    EXPECT_EQ(ShowLibraryText(velmora::text::kTraceLockFailed, "ANSI_X3.4-1968"), "cannot lock the memory block");
    // A character set iconv does not know cannot be trusted with Chinese.
    EXPECT_EQ(ShowLibraryText(velmora::text::kOpenFailed, "NO-SUCH-SET"), "cannot open the file");
}

TEST(TextGlosses, AsciiAndUnknownTextsAreShownAsTheyAre) {
    EXPECT_EQ(ShowLibraryText(velmora::text::kWrongData, "C"), "The Wrong Data");
    EXPECT_EQ(ShowLibraryText("\xC4\xE3\xBA\xC3", "UTF-8"), "你好");  // not a library text
    EXPECT_EQ(ShowLibraryText(nullptr, "UTF-8"), "");
}

TEST(TextGlosses, FormattedTextsCarryTheirNumbersIntoTheGloss) {
    char text[512];
    std::snprintf(text, sizeof text, velmora::text::kPngReadTooLarge, 300, 1200);
    const std::string shown = ShowLibraryText(text, "ANSI_X3.4-1968");
    EXPECT_NE(shown.find("300 MB of free memory"), std::string::npos) << shown;
    EXPECT_NE(shown.find("image's 1200 MB"), std::string::npos) << shown;
    // A text that only starts like a formatted one is not it.
    EXPECT_EQ(GlossOf("提示: 因为Png解压系统不支持磁盘映射"), "");
}

}  // namespace
