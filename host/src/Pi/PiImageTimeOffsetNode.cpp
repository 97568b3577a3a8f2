// Shifting a clip in time.
#include <Vx/Pi/PiImageTimeOffsetNode.h>

namespace Vx {

PiImageTimeOffsetNode::PiImageTimeOffsetNode(const Init& init, const PxNodePtr<PxImageProtocol const>& image,
                                             const PxNodePtr<PxNode const>& offset)
    : PxNode(init), PxImageNode(init, image), m_offset(pxDownCast<PxAnimValueProtocol<double> const>(offset))
{
}

PiImageTimeOffsetNode::~PiImageTimeOffsetNode()
{
    unregisterChild(PxNodePtr<PxNode const>(getImageInput()));
    unregisterChild(PxNodePtr<PxNode const>(m_offset));
}

void PiImageTimeOffsetNode::init()
{
    PxImageNode::init();
    registerChild(PxNodePtr<PxNode const>(getImageInput()));
    registerChild(PxNodePtr<PxNode const>(m_offset));
}

namespace {
// What the input gave for the shifted time, valid over its interval moved back by the offset and
// only as long as the offset itself holds.
PxValidityInterval unshifted(const PxValidityInterval& inner, const PxResult<double>& offset)
{
    return PxValidityInterval{inner.start + offset.value, inner.end + offset.value}.intersected(offset.validity);
}
} // namespace

PxResult<double> PiImageTimeOffsetNode::offsetAt(double time) const
{
    return m_offset ? m_offset->getValue(time) : PxResult<double>(0.0, PxValidityInterval::FULL);
}

PxRODResult PiImageTimeOffsetNode::getImageROD(const PxImageContext& ctx) const
{
    const PxResult<double> offset = offsetAt(ctx.time);
    PxImageContext inner = ctx;
    inner.time = ctx.time - offset.value;
    PxRODResult result = getImageInput()->getImageROD(inner);
    result.validity = unshifted(result.validity, offset);
    return result;
}

PxImageResult PiImageTimeOffsetNode::getImage(const PxImageContext& ctx) const
{
    const PxResult<double> offset = offsetAt(ctx.time);
    PxImageContext inner = ctx;
    inner.time = ctx.time - offset.value;
    PxImageResult result = getImageInput()->getImage(inner);
    result.setValidity(unshifted(result.getValidity(), offset));
    return result;
}

void PiImageTimeOffsetNode::propagateAndRemapInvalidation(const PxValidityInterval& interval, int flags)
{
    const PxResult<double> offset =
        m_offset ? m_offset->getValue(0.0) : PxResult<double>(0.0, PxValidityInterval::FULL);
    if (!offset.validity.isFull()) {
        PxNode::propagateAndRemapInvalidation(PxValidityInterval::FULL, flags);
        return;
    }
    PxNode::propagateAndRemapInvalidation({interval.start + offset.value, interval.end + offset.value}, flags);
}

} // namespace Vx
