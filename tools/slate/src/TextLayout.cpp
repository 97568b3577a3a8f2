// Text layout: lines, glyph placement, alignment and block placement.
#include "TextLayout.h"

#include "SlateNumbers.h"

#include <Vx/Li/LiUtf8.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace Vx {

namespace {

// The distance kept between an aligned block and the frame's edges, in full-resolution pixels.
const float s_edgeMarginX = 10.0f;
const float s_edgeMarginY = 10.0f;

// The share of the descent that the block's top reaches above the ascent line. It is 0.66666 in
// single precision, not 2/3: at some sizes the two put the block's top on different pixels, and
// the placement is part of the slate's exact output.
const float s_descentShare = 0.66666f;

// Tab stops are this many space advances apart, counted from the line's start.
constexpr int kTabSpaces = 8;

// The advance that takes the pen from `penX` to the next tab stop; none when the stops are no
// distance apart (a font whose space does not advance).
int tabAdvance(int penX, int tabWidth)
{
    if (tabWidth <= 0)
        return 0;
    const std::int64_t pen = penX;
    const std::int64_t passed = pen >= 0 ? pen / tabWidth : -((-pen + tabWidth - 1) / tabWidth);
    return clampToInt((passed + 1) * tabWidth - pen);
}

void unite(GeRectangle<int>& a, const GeRectangle<int>& b)
{
    a = a.united(b);
}

// Moves a box horizontally.
void shiftX(GeRectangle<int>& box, int dx)
{
    box.x0 = geAdd(box.x0, dx);
    box.x1 = geAdd(box.x1, dx);
}

// The widest advance of the digits 0-9.
int widestDigitAdvance(const FoFont& font)
{
    int widest = 0;
    for (wchar_t digit = L'0'; digit <= L'9'; ++digit)
        widest = std::max(widest, font.getChar(digit).advanceX);
    return widest;
}

} // namespace

TextLayout layoutText(const std::string& text, const FoFont& font, int pixelSize, int hAlign, int lineHeight,
                      bool stableLayout)
{
    TextLayout layout;
    const int digitAdvance = stableLayout ? widestDigitAdvance(font) : 0;
    const std::size_t size = text.size();
    int tabWidth = -1; // the distance between tab stops, measured at the first tab
    int originY = 0;
    std::size_t pos = 0;
    while (pos < size) {
        layout.lines.push_back(TextLine());
        TextLine& line = layout.lines.back();
        int penX = 0;
        int penY = originY;
        GeRectangle<int> lastBox;
        bool first = true;
        while (pos < size && text[pos] != '\n') {
            const char32_t c = LiUtf8::decodeNext(text, pos);
            if (c == U'\r')
                continue;
            FoFont::Glyph glyph;
            int inkShift = 0;
            if (c == U'\t') {
                // A blank up to the next tab stop: draws nothing, like a space.
                if (tabWidth < 0)
                    tabWidth = clampToInt(std::int64_t(kTabSpaces) * font.getChar(L' ').advanceX);
                glyph.advanceX = tabAdvance(penX, tabWidth);
            } else {
                glyph = font.getChar(static_cast<wchar_t>(c));
                if (stableLayout && c >= U'0' && c <= U'9') {
                    inkShift = (digitAdvance - glyph.advanceX) / 2;
                    glyph.advanceX = digitAdvance;
                }
            }
            const GeRectangle<int> moved = glyph.box.translated(geAdd(penX, inkShift), penY);
            lastBox = moved;
            unite(line.box, moved);
            penX = geAdd(penX, glyph.advanceX);
            penY = geAdd(penY, glyph.advanceY);
            glyph.box = moved;
            line.glyphs.push_back(PlacedGlyph{moved, std::move(glyph)});
            // A line that starts with a blank gets a one-pixel seed at the start of its baseline,
            // so that leading blanks count from the pen's origin.
            if (first && moved.isEmpty())
                line.box = GeRectangle<int>(0, 1, originY, geAdd(originY, 1));
            first = false;
        }
        // Trailing blanks (or no glyph at all) stretch the line to where the pen stopped.
        if (lastBox.isEmpty()) {
            line.box.x0 = std::min(line.box.x0, penX);
            line.box.x1 = std::max(line.box.x1, penX);
            line.box.y0 = std::min(line.box.y0, penY);
            line.box.y1 = std::max(line.box.y1, penY);
        }
        line.advance = penX;
        originY = geSub(originY, lineHeight);
        if (pos < size)
            ++pos; // the line feed
    }
    if (size > 0 && text[size - 1] == '\n')
        layout.lines.push_back(TextLine());

    // A stable layout's lines are aligned and bounded by their advances; the box's left and right.
    std::int64_t stableX0 = std::numeric_limits<int>::max();
    std::int64_t stableX1 = std::numeric_limits<int>::min();
    for (TextLine& line : layout.lines) {
        const GeRectangle<int> aligned =
            stableLayout ? GeRectangle<int>(std::min(0, line.advance), std::max(0, line.advance), 0, 1) : line.box;
        int dx = 0;
        if (hAlign == 0)
            dx = geSub(0, aligned.x0);
        else if (hAlign == 1)
            dx = clampToInt(-((std::int64_t(aligned.x0) + aligned.x1) / 2));
        else if (hAlign == 2)
            dx = geSub(0, aligned.x1);
        shiftX(line.box, dx);
        for (PlacedGlyph& placed : line.glyphs) {
            shiftX(placed.box, dx);
            shiftX(placed.glyph.box, dx);
        }
        if (stableLayout) {
            stableX0 = std::min<std::int64_t>(stableX0, geAdd(aligned.x0, dx));
            stableX1 = std::max<std::int64_t>(stableX1, geAdd(aligned.x1, dx));
        } else {
            unite(layout.bounds, line.box);
        }
    }

    if (layout.lines.empty())
        return layout;

    // The block's height comes from the font's vertical metrics, not from the glyphs drawn, so
    // that texts with and without descenders stand the same.
    const int n = int(layout.lines.size());
    const float k = float(pixelSize) / float(font.getUnitsPerEM());
    const float d = std::ceil(float(-font.getDescent()) * k);
    const int top = truncToInt(std::ceil(k * (float(font.getAscent()) + s_descentShare * float(font.getDescent()))));
    const int bottom = truncToInt((0.0f - d) - float(n - 1) * float(lineHeight));
    if (stableLayout) {
        // Nothing of the ink: the advances across, the metrics (or, for a font whose metrics
        // give no height, the baselines) up and down.
        const int lastBaseline = truncToInt(0.0f - float(n - 1) * float(lineHeight));
        layout.bounds = GeRectangle<int>(int(stableX0), int(stableX1), top > bottom ? bottom : lastBaseline,
                                         top > bottom ? top : 1);
        return layout;
    }
    if (top > bottom) {
        GeRectangle<int>& b = layout.bounds;
        if (b.y1 > b.y0) {
            b.y0 = std::min(b.y0, bottom);
            b.y1 = std::max(b.y1, top);
        } else {
            b.y0 = bottom;
            b.y1 = top;
        }
    }
    return layout;
}

std::pair<int, int> placeTextBlock(const GeRectangle<int>& frame, float s, int hAlign, int vAlign, bool shadowOn,
                                   const std::pair<float, float>& shadowOffset, bool boxOn, float boxMargin,
                                   TextLayout& layout, const std::pair<float, float>& offset)
{
    const GeRectangle<int>& b = layout.bounds;
    const GeRectangle<int>& f = frame;
    int dx = 0;
    int dy = 0;

    if (vAlign == 0)
        dy = truncToInt(floatDifference(f.y1, b.y1) - s_edgeMarginY * s);
    else if (vAlign == 1)
        dy = truncToInt((float(std::int64_t(f.y0) + f.y1) - floatDifference(b.y1, b.y0)) * 0.5f + (0.0f - float(b.y0)));
    else if (vAlign == 2)
        dy = truncToInt(s_edgeMarginY * s + floatDifference(f.y0, b.y0));

    if (hAlign == 0)
        dx = truncToInt(s_edgeMarginX * s + floatDifference(f.x0, b.x0));
    else if (hAlign == 1)
        dx = truncToInt((float(std::int64_t(f.x0) + f.x1) - floatDifference(b.x1, b.x0)) * 0.5f + (0.0f - float(b.x0)));
    else if (hAlign == 2)
        dx = truncToInt(floatDifference(f.x1, b.x1) - s_edgeMarginX * s);

    dx = geAdd(dx, truncToInt(std::floor(offset.first * s + 0.5f)));
    dy = geAdd(dy, truncToInt(std::floor(0.5f + offset.second * s)));

    // The margin grows the box around the text as aligned: it may reach past the edge margin.
    if (boxOn) {
        const float m = boxMargin * s;
        layout.bounds = GeRectangle<int>(truncToInt(float(b.x0) - m), truncToInt(float(b.x1) + m),
                                         truncToInt(float(b.y0) - m), truncToInt(m + float(b.y1)));
    }

    // Lines and glyphs must be found by every tile their shadow reaches, so their coverage
    // boxes include the shadow; the placement boxes and the block stay as they are.
    if (shadowOn) {
        const int sx = truncToInt(shadowOffset.first * s);
        const int sy = truncToInt(shadowOffset.second * s);
        for (TextLine& line : layout.lines) {
            unite(line.box, line.box.translated(sx, sy));
            for (PlacedGlyph& placed : line.glyphs)
                unite(placed.box, placed.box.translated(sx, sy));
        }
    }
    return {dx, dy};
}

} // namespace Vx
