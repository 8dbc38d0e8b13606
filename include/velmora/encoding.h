// Conversion of the library's GBK texts (failure texts, captions) to other
// character sets, for hosts that show them.
#pragma once

#include <string>

// `gbk` converted to `toCharset` (an iconv name such as "UTF-8"). Bytes that
// are not valid GBK become '?'; when the character set is unknown the text is
// returned unchanged. Never fails; null gives the empty string.
std::string ConvertGbk(const char* gbk, const char* toCharset);

// `gbk` in UTF-8.
std::string GbkToUtf8(const char* gbk);
