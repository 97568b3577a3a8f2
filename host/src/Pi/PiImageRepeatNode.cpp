// Playing a clip between in and out times.
#include <Vx/Pi/PiImageRepeatNode.h>

#include <Vx/Pi/PiImageGenerator.h>

#include <cmath>
#include <limits>

namespace Vx {

namespace {
constexpr double kInfinity = std::numeric_limits<double>::infinity();

/// Moves an interval of the input's time to the output's time.
PxValidityInterval shifted(const PxValidityInterval& interval, double delta)
{
    return {interval.start + delta, interval.end + delta};
}
} // namespace

PiImageRepeatNode::PiImageRepeatNode(const Init& init, const PxNodePtr<PxImageProtocol const>& image,
                                     const PxNodePtr<PxNode const>& inTime, const PxNodePtr<PxNode const>& outTime,
                                     const PxNodePtr<PxNode const>& repeatMode,
                                     const PxNodePtr<PxNode const>& lockDuration)
    : PxNode(init), PxImageNode(init, image), m_inTime(pxDownCast<PxAnimValueProtocol<double> const>(inTime)),
      m_outTime(pxDownCast<PxAnimValueProtocol<double> const>(outTime)),
      m_repeatMode(pxDownCast<PxAnimValueProtocol<int> const>(repeatMode)),
      m_lockDuration(pxDownCast<PxAnimValueProtocol<bool> const>(lockDuration))
{
}

PiImageRepeatNode::~PiImageRepeatNode()
{
    unregisterChild(PxNodePtr<PxNode const>(getImageInput()));
    unregisterChild(PxNodePtr<PxNode const>(m_inTime));
    unregisterChild(PxNodePtr<PxNode const>(m_outTime));
    unregisterChild(PxNodePtr<PxNode const>(m_repeatMode));
    unregisterChild(PxNodePtr<PxNode const>(m_lockDuration));
}

void PiImageRepeatNode::init()
{
    PxImageNode::init();
    registerChild(PxNodePtr<PxNode const>(getImageInput()));
    registerChild(PxNodePtr<PxNode const>(m_inTime));
    registerChild(PxNodePtr<PxNode const>(m_outTime));
    registerChild(PxNodePtr<PxNode const>(m_repeatMode));
    registerChild(PxNodePtr<PxNode const>(m_lockDuration));
}

bool PiImageRepeatNode::mapTime(double time, double& inputTime, PxValidityInterval& validity) const
{
    bool held = false;
    return mapTime(time, inputTime, validity, held);
}

bool PiImageRepeatNode::mapTime(double time, double& inputTime, PxValidityInterval& validity, bool& held) const
{
    held = false;
    validity = PxValidityInterval::FULL;
    double in = -kInfinity;
    double out = kInfinity;
    int mode = PiImageGenerator::RepeatNone;
    if (m_inTime) {
        const PxResult<double> r = m_inTime->getValue(time);
        in = r.value;
        validity.intersect(r.validity);
    }
    if (m_outTime) {
        const PxResult<double> r = m_outTime->getValue(time);
        out = r.value;
        validity.intersect(r.validity);
    }
    if (m_repeatMode) {
        const PxResult<int> r = m_repeatMode->getValue(time);
        mode = r.value;
        validity.intersect(r.validity);
    }
    if (m_lockDuration)
        validity.intersect(m_lockDuration->getValue(time).validity);

    if (in <= time && time < out) {
        inputTime = time;
        validity.intersect({in, out});
        return true;
    }
    validity.intersect(time < in ? PxValidityInterval{-kInfinity, in} : PxValidityInterval{out, kInfinity});
    if (!(in < out))
        return false; // an empty clip plays nothing
    switch (mode) {
    case PiImageGenerator::RepeatHold:
        held = true;
        if (time < in) {
            inputTime = in;
        } else {
            const double frame = 1.0 / getImageFormat().frameRate.toDouble();
            inputTime = std::max(in, out - frame);
        }
        return true;
    case PiImageGenerator::RepeatLoop: {
        if (!std::isfinite(in) || !std::isfinite(out))
            return false;
        const double period = out - in;
        const double cycle = std::floor((time - in) / period);
        inputTime = time - cycle * period;
        validity = validity.intersected({in + cycle * period, in + (cycle + 1.0) * period});
        return true;
    }
    default:
        return false;
    }
}

PxRODResult PiImageRepeatNode::getImageROD(const PxImageContext& ctx) const
{
    double inputTime = 0.0;
    PxValidityInterval mapping;
    bool held = false;
    if (!mapTime(ctx.time, inputTime, mapping, held))
        return {GeRectangle<float>(), mapping};
    PxImageContext inner = ctx;
    inner.time = inputTime;
    PxRODResult result = getImageInput()->getImageROD(inner);
    result.validity = held ? mapping : shifted(result.validity, ctx.time - inputTime).intersected(mapping);
    return result;
}

PxImageResult PiImageRepeatNode::getImage(const PxImageContext& ctx) const
{
    double inputTime = 0.0;
    PxValidityInterval mapping;
    bool held = false;
    if (!mapTime(ctx.time, inputTime, mapping, held)) {
        PxImageResult nothing;
        nothing.setValidity(mapping);
        return nothing;
    }
    PxImageContext inner = ctx;
    inner.time = inputTime;
    PxImageResult result = getImageInput()->getImage(inner);
    // A held frame does not follow the input's time: the mapping alone says how long it holds.
    result.setValidity(held ? mapping : shifted(result.getValidity(), ctx.time - inputTime).intersected(mapping));
    return result;
}

void PiImageRepeatNode::propagateAndRemapInvalidation(const PxValidityInterval& interval, int flags)
{
    (void)interval;
    PxNode::propagateAndRemapInvalidation(PxValidityInterval::FULL, flags);
}

} // namespace Vx
