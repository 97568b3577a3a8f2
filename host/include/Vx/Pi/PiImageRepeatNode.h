// Plays an image between an in time and an out time, and decides what plays outside them.
//
// Inside [in, out) the input plays unchanged. Outside, by repeat mode (PiImageGenerator::RepeatMode):
// None gives an empty (transparent) image; Hold gives the input at the in time before it and at
// the start of the last frame (out - 1 / frame rate of the input's format) after it; Loop repeats
// [in, out). The lock-duration flag is read and tracked for invalidation only: keeping the
// duration when the in time moves is an editing rule, not a processing one. A missing in time is
// minus infinity, a missing out time plus infinity, a missing mode None. Times in seconds.
#pragma once

#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxImage.h>

namespace Vx {

class PiImageRepeatNode : public PxImageNode
{
public:
    /// `inTime`, `outTime`: PxAnimValueProtocol<double>; `repeatMode`: PxAnimValueProtocol<int>;
    /// `lockDuration`: PxAnimValueProtocol<bool>. Each may be empty; a node of another kind
    /// raises the host's cast exception.
    PiImageRepeatNode(const Init& init, const PxNodePtr<PxImageProtocol const>& image,
                      const PxNodePtr<PxNode const>& inTime, const PxNodePtr<PxNode const>& outTime,
                      const PxNodePtr<PxNode const>& repeatMode, const PxNodePtr<PxNode const>& lockDuration);
    ~PiImageRepeatNode() override;

    void init() override;
    PxRODResult getImageROD(const PxImageContext& ctx) const override;
    PxImageResult getImage(const PxImageContext& ctx) const override;

    /// Where the input is read for a request at `time`: sets `inputTime` and returns true, or
    /// returns false when nothing plays. `validity` receives the times that map the same way.
    bool mapTime(double time, double& inputTime, PxValidityInterval& validity) const;

protected:
    /// A change of the input at any time may show at many times of the output.
    void propagateAndRemapInvalidation(const PxValidityInterval& interval, int flags) override;

private:
    /// mapTime, telling also whether the input is held at one time (`held`).
    bool mapTime(double time, double& inputTime, PxValidityInterval& validity, bool& held) const;

    PxNodePtr<PxAnimValueProtocol<double> const> m_inTime;
    PxNodePtr<PxAnimValueProtocol<double> const> m_outTime;
    PxNodePtr<PxAnimValueProtocol<int> const> m_repeatMode;
    PxNodePtr<PxAnimValueProtocol<bool> const> m_lockDuration;
};

} // namespace Vx
