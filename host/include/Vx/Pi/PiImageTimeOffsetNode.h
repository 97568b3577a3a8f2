// Shifts an image later in time: the output at time t is the input at t - offset (seconds).
#pragma once

#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxImage.h>

namespace Vx {

class PiImageTimeOffsetNode : public PxImageNode
{
public:
    /// `offset`: a PxAnimValueProtocol<double>, or empty for no offset; a node of another kind
    /// raises the host's cast exception.
    PiImageTimeOffsetNode(const Init& init, const PxNodePtr<PxImageProtocol const>& image,
                          const PxNodePtr<PxNode const>& offset);
    ~PiImageTimeOffsetNode() override;

    void init() override;
    PxRODResult getImageROD(const PxImageContext& ctx) const override;
    PxImageResult getImage(const PxImageContext& ctx) const override;

protected:
    /// The input's change at [a, b) shows at [a + offset, b + offset); with an animated offset the
    /// output is invalidated for all time.
    void propagateAndRemapInvalidation(const PxValidityInterval& interval, int flags) override;

private:
    /// The offset at `time` (0 for all time without an offset node).
    PxResult<double> offsetAt(double time) const;

    PxNodePtr<PxAnimValueProtocol<double> const> m_offset;
};

} // namespace Vx
