// Shared helpers of the Slate tests: a font with metrics of our choosing, a plate with a
// gradient (so that any misplaced copy shows), a SlateProcNode built from constant values, renders
// of whole frames tile by tile, and the writing of a Slate node's inputs by their declared names.
#pragma once

#include "SlateProcNode.h"

#include <Vx/Fo/FoFont.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxImage.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace Vx::test {

/// A face whose glyphs are what the test says: each character maps to a box and an advance; its
/// raster is full coverage (255) over the box. Unknown characters have an empty box and no advance.
class TestFace : public FoFont::Face
{
public:
    TestFace(int ascent, int descent, int unitsPerEM) : m_ascent(ascent), m_descent(descent), m_units(unitsPerEM) {}

    void setGlyph(wchar_t c, const GeRectangle<int>& box, int advance)
    {
        FoFont::Glyph g;
        g.id = std::uint32_t(m_glyphs.size() + 1);
        g.box = box;
        g.advanceX = advance;
        m_byChar[c] = g;
        FoFont::Glyph rasterized = g;
        if (!box.isEmpty()) {
            rasterized.image = makeShared<ImImage>(box.getWidth(), box.getHeight());
            for (int i = 0; i < box.getWidth() * box.getHeight(); ++i)
                rasterized.image->getData()[i] = 255;
        }
        m_glyphs[g.id] = rasterized;
    }

    int getAscent() const override { return m_ascent; }
    int getDescent() const override { return m_descent; }
    int getUnitsPerEM() const override { return m_units; }
    const FoFont::Glyph& getChar(wchar_t c) const override
    {
        const auto it = m_byChar.find(c);
        return it == m_byChar.end() ? m_missing : it->second;
    }
    FoFont::Glyph rasterizeGlyph(std::uint32_t id) const override
    {
        const auto it = m_glyphs.find(id);
        return it == m_glyphs.end() ? m_missing : it->second;
    }
    std::string describe() const override { return "test face"; }

private:
    int m_ascent;
    int m_descent;
    int m_units;
    std::map<wchar_t, FoFont::Glyph> m_byChar;
    std::map<std::uint32_t, FoFont::Glyph> m_glyphs;
    FoFont::Glyph m_missing;
};

/// A plate whose pixel (x, y) at level k has a colour made from x, y and k, over the whole frame
/// of `format`, with a chosen validity. It can also answer with an empty image.
class GradientPlate : public PxImageProtocol
{
public:
    GradientPlate(const Init& init, const PxImageFormat& format, const PxValidityInterval& validity, bool empty)
        : PxNode(init), m_format(format), m_validity(validity), m_empty(empty)
    {
    }
    PxImageFormat getImageFormat() const override { return m_format; }
    PxRODResult getImageROD(const PxImageContext&) const override { return {m_format.getNominalFrame(), m_validity}; }
    PxImageResult getImage(const PxImageContext& ctx) const override;
    static CoRgbaColorTyped<float> colorAt(int x, int y);

private:
    PxImageFormat m_format;
    PxValidityInterval m_validity;
    bool m_empty;
};

/// A source that answers every request with one and the same tile (so that a test can tell the
/// input's tile from a new one), valid over a chosen interval.
class FixedTileSource : public PxImageProtocol
{
public:
    FixedTileSource(const Init& init, const PxImageFormat& format, const GeRectangle<int>& region,
                    const PxValidityInterval& validity);
    PxImageFormat getImageFormat() const override { return m_format; }
    PxRODResult getImageROD(const PxImageContext&) const override { return {m_format.getNominalFrame(), m_validity}; }
    PxImageResult getImage(const PxImageContext&) const override { return PxImageResult(m_tile, m_validity); }
    const RCShdPtr<IxTile>& getTile() const { return m_tile; }

private:
    PxImageFormat m_format;
    PxValidityInterval m_validity;
    RCShdPtr<IxTile> m_tile;
};

/// The values of a Slate node's eighteen inputs, with the tool's usual defaults.
struct SlateParams
{
    std::string font = "DejaVu Sans";
    int style = 0;
    double size = 48.0;
    CoRgbColorTyped<float> textColor{1.0f, 1.0f, 1.0f};
    double textOpacity = 1.0;
    bool shadow = false;
    CoRgbColorTyped<float> shadowColor{0.0f, 0.0f, 0.0f};
    double shadowOpacity = 0.7;
    double shadowX = 4.0;
    double shadowY = -4.0;
    bool box = false;
    CoRgbColorTyped<float> boxColor{0.0f, 0.0f, 0.0f};
    double boxOpacity = 0.5;
    double boxMargin = 24.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
    int hAlign = 1;
    int vAlign = 1;
};

/// A constant value node of `x`, valid over all time.
template <class T> PxNodePtr<PxNode const> constant(const T& x)
{
    return PxNodePtr<PxNode const>(pxCreateNode<PxAnimValueNode<T>>(PxResult<T>(x, PxValidityInterval::FULL)));
}

/// Constant value nodes for `params`, in the node's order, each valid over `validity`.
std::vector<PxNodePtr<PxNode const>> makeValueNodes(const SlateParams& params,
                                                    const PxValidityInterval& validity = PxValidityInterval::FULL);

/// A SlateProcNode over `plate` with `text` and `params` (and the typography nodes `style`).
PxStrongHndl<SlateProcNode> makeSlateNode(const PxNodePtr<PxImageProtocol const>& plate, const std::string& text,
                                          const SlateParams& params, const SlateProcNode::StyleNodes& style = {});
/// A SlateProcNode over `plate` with `text` and the eighteen value nodes `values`, in the node's order.
PxStrongHndl<SlateProcNode> makeSlateNode(const PxNodePtr<PxImageProtocol const>& plate, const std::string& text,
                                          const std::vector<PxNodePtr<PxNode const>>& values,
                                          const SlateProcNode::StyleNodes& style = {});

/// An opaque plate of one colour over the frame of `format`, from the host's colour source.
PxNodePtr<PxImageProtocol const> makeSolidPlate(const PxImageFormat& format, const CoRgbColorTyped<float>& color);

/// Values that differ from the defaults in every input (shadow, box, a bold face, an offset and a
/// corner alignment), so that a value lost on the way shows in the picture.
SlateParams renderParams();

/// The fill colour of the generator renders.
inline const CoRgbColorTyped<float> kFill{0.25f, 0.5f, 0.75f};

/// A small format so that whole frames render quickly: 320x180, square pixels, 24 fps.
PxImageFormat smallFormat();

/// Writes `value` to input `name` of `node` as a user edit.
void setInput(const RCShdPtr<PiNode>& node, const std::string& name, const PiVariant& value);
/// Writes a colour input member by member as user edits.
void setColor(const RCShdPtr<PiNode>& node, const std::string& name, const CoRgbColorTyped<float>& color);
/// Writes the eighteen rendered inputs of a Slate node, by the names the tool declares them under.
void applyParams(const RCShdPtr<PiNode>& node, const SlateParams& params);

/// A plate of `format` (default 1920x1080 at 24 fps).
PxStrongHndl<GradientPlate> makePlate(const PxImageFormat& format = PxImageFormat(),
                                      const PxValidityInterval& validity = PxValidityInterval::FULL,
                                      bool empty = false);

/// A rendered frame: premultiplied RGBA over `region`, rows bottom to top.
struct Frame
{
    GeRectangle<int> region;
    std::vector<float> pixels;

    const float* at(int x, int y) const
    {
        return &pixels[(std::size_t(y - region.y0) * std::size_t(region.getWidth()) + std::size_t(x - region.x0)) * 4];
    }
    Frame cropped(const GeRectangle<int>& r) const
    {
        Frame part{r, {}};
        for (int y = r.y0; y < r.y1; ++y)
            part.pixels.insert(part.pixels.end(), at(r.x0, y), at(r.x1 - 1, y) + 4);
        return part;
    }
    bool operator==(const Frame& o) const { return region == o.region && pixels == o.pixels; }
    bool operator!=(const Frame& o) const { return !(*this == o); }
};

/// Frames are compared whole; on failure name the frame, not its megabytes of pixels.
inline void PrintTo(const Frame& f, std::ostream* os)
{
    *os << "frame over " << f.region;
}

/// Renders `region` of `node` at `time` and `level` as tiles of tileW x tileH, inside a render scope.
Frame renderTiles(const PxImageProtocol& node, double time, int level, const GeRectangle<int>& region, int tileW,
                  int tileH);
/// The frame of `format` at `level` in pixels.
GeRectangle<int> frameRegion(const PxImageFormat& format, int level);
/// One request, inside a render scope.
PxImageResult renderOnce(const PxImageProtocol& node, double time, int level, const GeRectangle<int>& region);

/// Seconds of the middle of frame `frame` at 24 fps.
inline double frameTime(int frame, double fps = 24.0)
{
    return (frame + 0.5) / fps;
}

} // namespace Vx::test
