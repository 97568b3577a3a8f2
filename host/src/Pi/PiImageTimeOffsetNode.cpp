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

PxRODResult PiImageTimeOffsetNode::getImageROD(const PxImageContext& ctx) const
{
    const PxResult<double> offset =
        m_offset ? m_offset->getValue(ctx.time) : PxResult<double>(0.0, PxValidityInterval::FULL);
    PxImageContext inner = ctx;
    inner.time = ctx.time - offset.value;
    PxRODResult result = getImageInput()->getImageROD(inner);
    result.validity =
        PxValidityInterval{result.validity.start + offset.value, result.validity.end + offset.value}.intersected(
            offset.validity);
    return result;
}

PxImageResult PiImageTimeOffsetNode::getImage(const PxImageContext& ctx) const
{
    const PxResult<double> offset =
        m_offset ? m_offset->getValue(ctx.time) : PxResult<double>(0.0, PxValidityInterval::FULL);
    PxImageContext inner = ctx;
    inner.time = ctx.time - offset.value;
    PxImageResult result = getImageInput()->getImage(inner);
    result.setValidity(
        PxValidityInterval{result.getValidity().start + offset.value, result.getValidity().end + offset.value}
            .intersected(offset.validity));
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
