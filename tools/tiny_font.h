// A tiny bitmap font for labels drawn into images: 5 x 7 pixels per
// character, printable ASCII only.
#pragma once

#include <string>

namespace velmora::cli {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = kGlyphWidth + 1;  // one blank column between characters

// The rows of `c`, top first, bit 4 the leftmost pixel. A byte outside
// printable ASCII (a character of another script) shows as '?'.
const unsigned char* GlyphRows(char c);

// Width of `text` in pixels.
inline int TextWidth(const std::string& text) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * kGlyphAdvance - 1;
}

// Calls plot(x, y) for every inked pixel of `text`, (0, 0) being its top-left.
template <class Plot>
void RenderText(const std::string& text, Plot plot) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char* rows = GlyphRows(text[i]);
        for (int y = 0; y < kGlyphHeight; ++y)
            for (int x = 0; x < kGlyphWidth; ++x)
                if (rows[y] & (0x10 >> x)) plot(static_cast<int>(i) * kGlyphAdvance + x, y);
    }
}

}  // namespace velmora::cli
