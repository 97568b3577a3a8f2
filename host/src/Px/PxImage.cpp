// Image buffers, nominal-to-pixel conversion, validity of frames and the image node base.
#include <Vx/Px/PxImage.h>

#include <Vx/Tm/TmTimeUtil.h>

#include <cmath>

namespace Vx {

PxValidityInterval PxValidityInterval::createFrameInterval(const Rational& rate, double time)
{
    const DtTime frame = TmTimeUtil::getDtTimeFromSeconds(rate, time);
    return {TmTimeUtil::getSecondsFromFrames(rate, frame.frames),
            TmTimeUtil::getSecondsFromFrames(rate, frame.frames + 1)};
}

RCShdPtr<IxTile> PxImageProtocol::allocateImageBuffer(const PxImageContext&, const CoRgbaColorTyped<float>& fill,
                                                      const GeRectangle<int>& region)
{
    return RCShdPtr<IxTile>(new IxTile(region, fill));
}

GeRectangle<int> PxImageProtocol::nominalToPixelized(const GeRectangle<float>& r, float pixelAspect, float s)
{
    if (r.isEmpty())
        return {};
    const float sx = s / pixelAspect;
    // A tiny tolerance keeps exact frame edges (1920 * 0.5) from rounding outward by float noise.
    constexpr float kEdge = 1e-4f;
    return {int(std::floor(r.x0 * sx + kEdge)), int(std::ceil(r.x1 * sx - kEdge)), int(std::floor(r.y0 * s + kEdge)),
            int(std::ceil(r.y1 * s - kEdge))};
}

PxImageNode::PxImageNode(const Init& init, const PxNodePtr<PxImageProtocol const>& input)
    : PxNode(init), m_imageInput(input)
{
}

PxImageNode::~PxImageNode() = default;

PxImageFormat PxImageNode::getImageFormat() const
{
    return m_imageInput->getImageFormat();
}

PxRODResult PxImageNode::getImageROD(const PxImageContext& ctx) const
{
    return m_imageInput->getImageROD(ctx);
}

} // namespace Vx
