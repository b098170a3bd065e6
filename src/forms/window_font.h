#pragma once
// The window font: "MS Sans Serif" as a bitmap face with strikes at a few pixel sizes. Sizes
// are asked for as character heights, as the forms give them; each maps to the strike whose
// character height it is. Raster faces have no bold style: bold is drawn twice one pixel
// apart, with every character's advance one pixel wider.

#include <QFont>
#include <QString>
#include <vector>

namespace vintrel::forms {

inline constexpr const char* kWindowFontFamily = "MS Sans Serif";

// One bitmap strike: its cell height (the pixel size it is drawn at) and character height.
struct FontStrike {
    int cellHeight = 0;
    int characterHeight = 0;
};

// Registers the window font file with Qt, one face per strike so that every strike can be
// chosen (Qt otherwise sees only a bitmap font's first strike). Returns the strikes found;
// empty when the file is missing or holds no bitmap strikes, and the forms then use the
// system's sans-serif font.
std::vector<FontStrike> installWindowFont(const QString& path);

// The strikes installed, smallest first.
const std::vector<FontStrike>& windowFontStrikes();

// The pixel size to ask for a character height: the strike whose character height it is,
// else the nearest larger strike, else the height itself (a scalable face, or scaling).
int strikePixelSize(const std::vector<FontStrike>& strikes, int characterHeight);

// Font of the forms at a character height in pixels.
QFont formFont(int characterHeight, bool bold = false, bool underline = false);

// True when the font is bold in a face without a bold style, so that text is overstruck.
bool needsOverstrike(const QFont& font);

}  // namespace vintrel::forms
