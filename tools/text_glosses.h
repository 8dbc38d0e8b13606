// English glosses of the library's texts. The library speaks Chinese (GBK);
// the tool shows each text with a short English gloss beside it, or the
// gloss alone where the terminal cannot show Chinese.
#pragma once

#include <string>

namespace velmora::cli {

// The gloss of a library text given in UTF-8, with the numbers of a
// formatted text ("%d") put into the gloss; empty when the table has none.
// Whitespace around the text does not count.
std::string GlossOf(const std::string& utf8);

// A library text (GBK) for a terminal whose character set is `charset`:
// "<text> (<gloss>)" converted to that set, the gloss alone when the set
// cannot show the text, the text alone when it needs no gloss (ASCII) or the
// table has none.
std::string ShowLibraryText(const char* gbk, const char* charset);

// Every text the table glosses, in UTF-8, for checks of its coverage.
const char* const* GlossedTexts(size_t* count);

}  // namespace velmora::cli
