// The solid colour source of generators.
#include <Vx/Px/PxColorSourceNode.h>

#include <algorithm>

namespace Vx {

PxColorSourceNode::PxColorSourceNode(const Init& init, const PxNodePtr<PxImageFormatProtocol const>& format,
                                     const PxNodePtr<PxAnimValueProtocol<int> const>& xResolution,
                                     const PxNodePtr<PxAnimValueProtocol<int> const>& yResolution,
                                     const PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const>& color,
                                     const PxNodePtr<PxAnimValueProtocol<double> const>& alpha,
                                     const PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const>& color2,
                                     const PxNodePtr<PxAnimValueProtocol<double> const>& alpha2)
    : PxNode(init), m_format(format), m_xResolution(xResolution), m_yResolution(yResolution), m_color(color),
      m_alpha(alpha), m_color2(color2), m_alpha2(alpha2)
{
}

PxColorSourceNode::~PxColorSourceNode()
{
    for (const auto& child : children())
        unregisterChild(child);
}

std::vector<PxNodePtr<PxNode const>> PxColorSourceNode::children() const
{
    return {PxNodePtr<PxNode const>(m_format),      PxNodePtr<PxNode const>(m_xResolution),
            PxNodePtr<PxNode const>(m_yResolution), PxNodePtr<PxNode const>(m_color),
            PxNodePtr<PxNode const>(m_alpha),       PxNodePtr<PxNode const>(m_color2),
            PxNodePtr<PxNode const>(m_alpha2)};
}

void PxColorSourceNode::init()
{
    PxImageProtocol::init();
    for (const auto& child : children())
        registerChild(child);
}

PxImageFormat PxColorSourceNode::formatAt(double time, PxValidityInterval& validity) const
{
    PxImageFormat format = m_format->getImageFormat();
    if (m_xResolution) {
        const PxResult<int> x = m_xResolution->getValue(time);
        validity.intersect(x.validity);
        if (x.value > 0)
            format.width = x.value;
    }
    if (m_yResolution) {
        const PxResult<int> y = m_yResolution->getValue(time);
        validity.intersect(y.validity);
        if (y.value > 0)
            format.height = y.value;
    }
    return format;
}

PxImageFormat PxColorSourceNode::getImageFormat() const
{
    PxValidityInterval ignored;
    return formatAt(0.0, ignored);
}

PxRODResult PxColorSourceNode::getImageROD(const PxImageContext& ctx) const
{
    PxRODResult result;
    result.rod = formatAt(ctx.time, result.validity).getNominalFrame();
    return result;
}

PxImageResult PxColorSourceNode::getImage(const PxImageContext& ctx) const
{
    PxValidityInterval validity;
    const PxImageFormat format = formatAt(ctx.time, validity);
    CoRgbColorTyped<float> color;
    if (m_color) {
        const auto c = m_color->getValue(ctx.time);
        validity.intersect(c.validity);
        color = c.value;
    }
    float alpha = 1.0f;
    if (m_alpha) {
        const auto a = m_alpha->getValue(ctx.time);
        validity.intersect(a.validity);
        alpha = float(a.value);
    }
    // The second colour never shows, but a change of it still ends the result's validity.
    if (m_color2)
        validity.intersect(m_color2->getValue(ctx.time).validity);
    if (m_alpha2)
        validity.intersect(m_alpha2->getValue(ctx.time).validity);

    const GeRectangle<int> frame =
        nominalToPixelized(format.getNominalFrame(), format.getPixelAspectRatio(), ctx.getScale());
    const GeRectangle<int> region = ctx.region.intersected(frame);
    if (region.isEmpty())
        return PxImageResult(RCShdPtr<IxTile>(), validity);
    const CoRgbaColorTyped<float> premultiplied{color.red * alpha, color.green * alpha, color.blue * alpha, alpha};
    {
        const std::lock_guard<std::mutex> lock(m_solidMutex);
        for (auto it = m_solid.begin(); it != m_solid.end(); ++it) {
            const IxTile& solid = *it->tile;
            if (solid.getWidth() != region.getWidth() || solid.getHeight() != region.getHeight() ||
                !(it->color == premultiplied))
                continue;
            std::rotate(m_solid.begin(), it, it + 1);
            return PxImageResult(RCShdPtr<IxTile>(new IxTile(region, solid)), validity);
        }
    }
    RCShdPtr<IxTile> tile = allocateImageBuffer(ctx, {}, region);
    tile->fill(premultiplied);
    tile->markSolid();
    {
        const std::lock_guard<std::mutex> lock(m_solidMutex);
        m_solid.insert(m_solid.begin(), SolidTile{premultiplied, tile});
        if (m_solid.size() > kSolidTiles)
            m_solid.pop_back();
    }
    return PxImageResult(tile, validity);
}

} // namespace Vx
