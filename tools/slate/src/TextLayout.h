// Text layout: turns the slate text into lines of positioned glyphs and places the block in the
// frame.
//
// Coordinates are whole pixels of the current resolution level, y up. layoutText puts the
// baseline of the first line at (0, 0), each next line one line height lower, and aligns every
// line on the axis x = 0; placeTextBlock then returns the translation (dx, dy) that takes the
// block into the frame, and grows the block by the box margin and the line and glyph coverage
// boxes by the drop-shadow offset. Both run per tile on the rendering thread, with no state
// outside the caller's TextLayout.
//
// The text is UTF-8 laid out character by character (LiUtf8: a byte that is not part of a
// well-formed sequence is its Latin-1 character): a line feed ends a line, a carriage return is
// ignored, a tab advances the pen to the next stop (every eight space advances from the line's
// start) and draws nothing, every other character is one glyph of the font, or of its fallback
// font for a character it lacks (no wrapping or kerning).
#pragma once

#include <Vx/Fo/FoFont.h>
#include <Vx/Ge/GeRectangle.h>

#include <string>
#include <utility>
#include <vector>

namespace Vx {

struct PlacedGlyph
{
    GeRectangle<int> box; ///< coverage box: the placement box, grown by the shadow when it is on
    FoFont::Glyph glyph;  ///< the font's glyph, its box moved to layout coordinates (placement box)
};

struct TextLine
{
    GeRectangle<int> box; ///< coverage box of the line, grown by the shadow when it is on
    std::vector<PlacedGlyph> glyphs;
    int advance = 0; ///< where the pen stopped, from the line's start (before alignment)
};

struct TextLayout
{
    GeRectangle<int> bounds; ///< the block; includes the box margin after placeTextBlock when the box is on
    std::vector<TextLine> lines;
};

/// Lays `text` out in `font`: splits lines, places glyphs, aligns each line horizontally
/// (hAlign 0 Left, 1 Center, 2 Right; other values leave lines where they are) and computes the
/// block's bounds, its height from the font's ascent and descent scaled to `pixelSize`.
/// `lineHeight` is the distance between baselines. An empty text gives no line and empty bounds.
///
/// With `stableLayout` the layout does not follow the ink: the digits 0-9 all advance by the
/// widest digit's advance, each with its ink centred in that advance (rounded down), lines are
/// aligned by their pen advance (from the line's start to where the pen stopped) and the bounds
/// span those advances horizontally and the font's metrics vertically, so that texts whose
/// digits change lay out to the same bounds. The lines' coverage boxes still hold their ink.
TextLayout layoutText(const std::string& text, const FoFont& font, int pixelSize, int hAlign, int lineHeight,
                      bool stableLayout = false);

/// Where the block goes in `frame` (the frame's pixels at scale `s`): aligned with a 10-pixel edge
/// margin (times s) for Left, Right, Top and Bottom and none for Center, then moved by `offset`
/// (full-resolution pixels, rounded half up after scaling). Grows the layout's bounds by the box
/// margin when `boxOn`, and its coverage boxes by the shadow offset when `shadowOn`. Returns the
/// translation (dx, dy) from layout to frame pixels. vAlign: 0 Top, 1 Center, 2 Bottom.
std::pair<int, int> placeTextBlock(const GeRectangle<int>& frame, float s, int hAlign, int vAlign, bool shadowOn,
                                   const std::pair<float, float>& shadowOffset, bool boxOn, float boxMargin,
                                   TextLayout& layout, const std::pair<float, float>& offset);

} // namespace Vx
