#include "SlateTestUtil.h"

#include <Vx/Px/PxColorSourceNode.h>
#include <Vx/Px/PxImageFormatNode.h>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace Vx::test {

CoRgbaColorTyped<float> GradientPlate::colorAt(int x, int y)
{
    return {float(x % 97) / 96.0f, float(y % 89) / 88.0f, float((x + y) % 31) / 30.0f, 1.0f};
}

PxImageResult GradientPlate::getImage(const PxImageContext& ctx) const
{
    if (m_empty)
        return PxImageResult(RCShdPtr<IxTile>(), m_validity);
    const GeRectangle<int> frame =
        nominalToPixelized(m_format.getNominalFrame(), m_format.getPixelAspectRatio(), ctx.getScale());
    const GeRectangle<int> region = ctx.region.intersected(frame);
    RCShdPtr<IxTile> tile = allocateImageBuffer(ctx, {0.0f, 0.0f, 0.0f, 0.0f}, region);
    IxWriteGuard guard(tile.get());
    for (int y = region.y0; y < region.y1; ++y)
        for (int x = region.x0; x < region.x1; ++x)
            IxPixelUtil::setPixelColor(guard, x, y, colorAt(x, y));
    return PxImageResult(tile, m_validity);
}

FixedTileSource::FixedTileSource(const Init& init, const PxImageFormat& format, const GeRectangle<int>& region,
                                 const PxValidityInterval& validity)
    : PxNode(init), m_format(format), m_validity(validity),
      m_tile(new IxTile(region, CoRgbaColorTyped<float>{0.1f, 0.2f, 0.3f, 0.4f}))
{
    IxWriteGuard guard(m_tile.get());
    for (int y = region.y0; y < region.y1; ++y)
        for (int x = region.x0; x < region.x1; ++x)
            IxPixelUtil::setPixelColor(guard, x, y, GradientPlate::colorAt(x, y));
}

std::vector<PxNodePtr<PxNode const>> makeValueNodes(const SlateParams& p, const PxValidityInterval& v)
{
    auto value = [&v](auto x) {
        using T = decltype(x);
        return PxNodePtr<PxNode const>(pxCreateNode<PxAnimValueNode<T>>(PxResult<T>(x, v)));
    };
    return {value(p.font),    value(p.style),       value(p.size),          value(p.textColor), value(p.textOpacity),
            value(p.shadow),  value(p.shadowColor), value(p.shadowOpacity), value(p.shadowX),   value(p.shadowY),
            value(p.box),     value(p.boxColor),    value(p.boxOpacity),    value(p.boxMargin), value(p.offsetX),
            value(p.offsetY), value(p.hAlign),      value(p.vAlign)};
}

PxStrongHndl<SlateProcNode> makeSlateNode(const PxNodePtr<PxImageProtocol const>& plate, const std::string& text,
                                          const SlateParams& params, const SlateProcNode::StyleNodes& style)
{
    return makeSlateNode(plate, text, makeValueNodes(params), style);
}

PxStrongHndl<SlateProcNode> makeSlateNode(const PxNodePtr<PxImageProtocol const>& plate, const std::string& text,
                                          const std::vector<PxNodePtr<PxNode const>>& n,
                                          const SlateProcNode::StyleNodes& style)
{
    return pxCreateNode<SlateProcNode>(plate, text, n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10],
                                       n[11], n[12], n[13], n[14], n[15], n[16], n[17], style);
}

PxNodePtr<PxImageProtocol const> makeSolidPlate(const PxImageFormat& format, const CoRgbColorTyped<float>& color)
{
    const auto formatNode = pxCreateNode<PxImageFormatNode>(format);
    const PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> fillNode(
        pxCreateNode<PxAnimValueNode<CoRgbColorTyped<float>>>(
            PxResult<CoRgbColorTyped<float>>(color, PxValidityInterval::FULL)));
    const PxNodePtr<PxAnimValueProtocol<double> const> alpha(
        pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(1.0, PxValidityInterval::FULL)));
    return PxNodePtr<PxImageProtocol const>(pxCreateNode<PxColorSourceNode>(
        PxNodePtr<PxImageFormatProtocol const>(formatNode), PxNodePtr<PxAnimValueProtocol<int> const>(),
        PxNodePtr<PxAnimValueProtocol<int> const>(), fillNode, alpha, fillNode, alpha));
}

SlateParams renderParams()
{
    SlateParams p;
    std::tie(p.style, p.size, p.textColor, p.textOpacity, p.shadow, p.shadowColor, p.shadowOpacity) =
        std::tuple(1, 40.0, CoRgbColorTyped<float>{1.0f, 0.875f, 0.25f}, 0.75, true,
                   CoRgbColorTyped<float>{0.0f, 0.0f, 0.5f}, 0.5);
    std::tie(p.shadowX, p.shadowY, p.box, p.boxColor, p.boxOpacity, p.boxMargin, p.offsetX, p.offsetY, p.hAlign,
             p.vAlign) =
        std::tuple(3.0, -2.0, true, CoRgbColorTyped<float>{0.25f, 0.0f, 0.0f}, 0.625, 6.0, 10.0, 5.0, 0, 2);
    return p;
}

PxImageFormat smallFormat()
{
    return {320, 180};
}

void setInput(const RCShdPtr<PiNode>& node, const std::string& name, const PiVariant& value)
{
    node->getInput(name, true)->setVariant(value);
}

void setColor(const RCShdPtr<PiNode>& node, const std::string& name, const CoRgbColorTyped<float>& color)
{
    setInput(node, name + ".Red", double(color.red));
    setInput(node, name + ".Green", double(color.green));
    setInput(node, name + ".Blue", double(color.blue));
}

void applyParams(const RCShdPtr<PiNode>& node, const SlateParams& p)
{
    setInput(node, "Text Font", p.font);
    setInput(node, "Text Style", p.style);
    setInput(node, "Text Size", p.size);
    setColor(node, "Text Color", p.textColor);
    setInput(node, "Text Opacity", p.textOpacity);
    setInput(node, "Drop Shadow", p.shadow);
    setColor(node, "Drop Shadow Color", p.shadowColor);
    setInput(node, "Drop Shadow Opacity", p.shadowOpacity);
    setInput(node, "Drop Shadow Offset.X", p.shadowX);
    setInput(node, "Drop Shadow Offset.Y", p.shadowY);
    setInput(node, "Box", p.box);
    setColor(node, "Box Color", p.boxColor);
    setInput(node, "Box Opacity", p.boxOpacity);
    setInput(node, "Box Margin", p.boxMargin);
    setInput(node, "Offset.X", p.offsetX);
    setInput(node, "Offset.Y", p.offsetY);
    setInput(node, "Horizontal Alignment", p.hAlign);
    setInput(node, "Vertical Alignment", p.vAlign);
}

PxStrongHndl<GradientPlate> makePlate(const PxImageFormat& format, const PxValidityInterval& validity, bool empty)
{
    return pxCreateNode<GradientPlate>(format, validity, empty);
}

GeRectangle<int> frameRegion(const PxImageFormat& format, int level)
{
    return PxImageProtocol::nominalToPixelized(format.getNominalFrame(), format.getPixelAspectRatio(),
                                               1.0f / float(1 << level));
}

PxImageResult renderOnce(const PxImageProtocol& node, double time, int level, const GeRectangle<int>& region)
{
    PxRequestMgr::RenderScope scope;
    return node.getImage(PxImageContext{time, level, region});
}

Frame renderTiles(const PxImageProtocol& node, double time, int level, const GeRectangle<int>& region, int tileW,
                  int tileH)
{
    Frame frame{region,
                std::vector<float>(std::size_t(region.getWidth()) * std::size_t(region.getHeight()) * 4, -1.0f)};
    PxRequestMgr::RenderScope scope;
    for (int y0 = region.y0; y0 < region.y1; y0 += tileH) {
        for (int x0 = region.x0; x0 < region.x1; x0 += tileW) {
            const GeRectangle<int> tileRegion(x0, std::min(x0 + tileW, region.x1), y0, std::min(y0 + tileH, region.y1));
            const PxImageResult result = node.getImage(PxImageContext{time, level, tileRegion});
            const IxReadGuard guard = result.getTileGuard();
            for (int y = tileRegion.y0; y < tileRegion.y1; ++y)
                std::memcpy(const_cast<float*>(frame.at(tileRegion.x0, y)), guard.getPixel(tileRegion.x0, y),
                            std::size_t(tileRegion.getWidth()) * 4 * sizeof(float));
        }
    }
    return frame;
}

} // namespace Vx::test
