// A built-in 5x7 bitmap font for the picture overlay, so the simulator needs
// no font files. Covers digits, capitals and the punctuation the overlay
// uses; lower case draws as capitals, anything else as '?'.
#pragma once

#include <string_view>

#include "Image.h"

namespace zv::devsim {

class BitmapFont {
public:
    static constexpr int kGlyphW = 5;
    static constexpr int kGlyphH = 7;
    static constexpr int kAdvance = 6;

    static int TextWidth(std::string_view text, int scale) {
        return static_cast<int>(text.size()) * kAdvance * scale;
    }
    // Draws text with its top-left corner at (x, y), clipped to the image.
    static void Draw(Image& img, int x, int y, std::string_view text, int scale, Rgb colour);

private:
    static const uint8_t* Glyph(char c);
};

}  // namespace zv::devsim
