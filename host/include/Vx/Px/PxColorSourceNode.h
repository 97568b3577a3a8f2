// A solid colour image: the background of a generator.
//
// Its frame is the format's, at the resolution given by its x and y resolution inputs (the
// format's own size where a resolution input is missing or not above zero); its pixels are the
// colour at the given alpha inside the frame, transparent black outside. The second colour and
// alpha are read and tracked for invalidation but do not change the pixels: the source is solid.
//
// All its tiles of one size hold the same pixels, so it fills one tile per size and colour and
// hands out tiles sharing those pixels (a handful of sizes: the inner tiles and those cut by the
// frame's edges); a frame of a generator costs no fill at all.
#pragma once

#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxImage.h>

#include <mutex>
#include <vector>

namespace Vx {

class PxColorSourceNode : public PxImageProtocol
{
public:
    PxColorSourceNode(const Init& init, const PxNodePtr<PxImageFormatProtocol const>& format,
                      const PxNodePtr<PxAnimValueProtocol<int> const>& xResolution,
                      const PxNodePtr<PxAnimValueProtocol<int> const>& yResolution,
                      const PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const>& color,
                      const PxNodePtr<PxAnimValueProtocol<double> const>& alpha,
                      const PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const>& color2,
                      const PxNodePtr<PxAnimValueProtocol<double> const>& alpha2);
    ~PxColorSourceNode() override;

    void init() override;
    /// The format node's format, with the resolution inputs' width and height at time 0.
    PxImageFormat getImageFormat() const override;
    PxRODResult getImageROD(const PxImageContext& ctx) const override;
    PxImageResult getImage(const PxImageContext& ctx) const override;
    bool producesFullFrames() const override { return true; }

private:
    PxImageFormat formatAt(double time, PxValidityInterval& validity) const;
    std::vector<PxNodePtr<PxNode const>> children() const;

    PxNodePtr<PxImageFormatProtocol const> m_format;
    PxNodePtr<PxAnimValueProtocol<int> const> m_xResolution;
    PxNodePtr<PxAnimValueProtocol<int> const> m_yResolution;
    PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> m_color;
    PxNodePtr<PxAnimValueProtocol<double> const> m_alpha;
    PxNodePtr<PxAnimValueProtocol<CoRgbColorTyped<float>> const> m_color2;
    PxNodePtr<PxAnimValueProtocol<double> const> m_alpha2;

    /// A filled tile whose pixels new tiles of its size and colour share.
    struct SolidTile
    {
        CoRgbaColorTyped<float> color;
        RCShdPtr<IxTile> tile;
    };
    static constexpr std::size_t kSolidTiles = 8;
    mutable std::mutex m_solidMutex;
    mutable std::vector<SolidTile> m_solid; // most recently used first; guarded by m_solidMutex
};

} // namespace Vx
