// Images in the processing graph: formats, render requests (contexts), results, and the
// protocols an image-producing node implements.
//
// Coordinates. A format's frame covers nominal coordinates (0, width * pixel aspect, 0, height):
// full-resolution pixels with x in square units, y up. A render asks for a pixel region at a
// resolution level k (scale s = 1 / 2^k); nominalToPixelized turns a nominal rectangle into the
// pixels of that level. Results carry a tile (premultiplied float RGBA over a pixel region), the
// colour of the image outside that region, the interval of time over which they hold, and the
// attributes of the file the image came from (PxMetadata; none for a generated image).
#pragma once

#include <Vx/Co/CoColor.h>
#include <Vx/Ge/GeRectangle.h>
#include <Vx/Ix/IxTile.h>
#include <Vx/Px/PxMetadata.h>
#include <Vx/Px/PxNode.h>
#include <Vx/Px/PxValidityInterval.h>
#include <Vx/Tm/Rational.h>

namespace Vx {

struct PxImageFormat
{
    int width = 1920;
    int height = 1080;
    int pixelAspectNum = 1; ///< pixel aspect ratio as two integer terms
    int pixelAspectDen = 1;
    Rational frameRate{24, 1};

    float getPixelAspectRatio() const { return float(pixelAspectNum) / float(pixelAspectDen); }
    /// The frame in nominal coordinates.
    GeRectangle<float> getNominalFrame() const
    {
        return {0.0f, float(width) * getPixelAspectRatio(), 0.0f, float(height)};
    }

    friend bool operator==(const PxImageFormat& a, const PxImageFormat& b)
    {
        return a.width == b.width && a.height == b.height && a.pixelAspectNum == b.pixelAspectNum &&
               a.pixelAspectDen == b.pixelAspectDen && a.frameRate == b.frameRate;
    }
    friend bool operator!=(const PxImageFormat& a, const PxImageFormat& b) { return !(a == b); }
};

/// One render request: a time, a resolution level and the pixels wanted.
struct PxImageContext
{
    double time = 0.0;       ///< seconds
    int level = 0;           ///< resolution level k: 0 full resolution, k scales by 1 / 2^k
    GeRectangle<int> region; ///< pixels wanted, at this level

    /// s = 1 / 2^k, in float.
    float getScale() const { return 1.0f / float(1 << level); }
};

/// A region of definition: where an image has pixels, in nominal coordinates.
struct PxRODResult
{
    GeRectangle<float> rod;
    PxValidityInterval validity;

    const GeRectangle<float>& getROD() const { return rod; }
};

/// An image produced for one request. Copies share the tile.
class PxImageResult
{
public:
    /// The empty result: no pixels.
    PxImageResult() = default;
    PxImageResult(const RCShdPtr<IxTile>& tile, const PxValidityInterval& validity) : m_tile(tile), m_validity(validity)
    {
    }

    bool isEmpty() const { return m_tile.isNull() || m_tile->getPixelRegion().isEmpty(); }
    /// The premultiplied colour outside the pixel region (transparent black for an empty result).
    CoRgbaColorTyped<float> getFillColor() const { return m_tile ? m_tile->getFillColor() : CoRgbaColorTyped<float>(); }
    GeRectangle<int> getPixelRegion() const { return m_tile ? m_tile->getPixelRegion() : GeRectangle<int>(); }
    /// Read access to the tile; invalid for an empty result.
    IxReadGuard getTileGuard() const { return IxReadGuard(m_tile.get()); }
    const RCShdPtr<IxTile>& getTile() const { return m_tile; }

    const PxValidityInterval& getValidity() const { return m_validity; }
    void setValidity(const PxValidityInterval& validity) { m_validity = validity; }

    /// The attributes of the file the image came from; null when it came from none. A node that
    /// makes a new result from its input's passes its input's metadata on.
    const PxMetadataPtr& getMetadata() const { return m_metadata; }
    void setMetadata(const PxMetadataPtr& metadata) { m_metadata = metadata; }

private:
    RCShdPtr<IxTile> m_tile;
    PxValidityInterval m_validity;
    PxMetadataPtr m_metadata;
};

class PxImageFormatProtocol : public virtual PxNode
{
public:
    using PxNode::PxNode;
    virtual PxImageFormat getImageFormat() const = 0;
};

class PxImageProtocol : public virtual PxNode
{
public:
    using PxNode::PxNode;

    virtual PxImageFormat getImageFormat() const = 0;
    /// Where the image has pixels at ctx's time.
    virtual PxRODResult getImageROD(const PxImageContext& ctx) const = 0;
    /// The pixels of ctx.region at ctx's time and level. Worker threads, several at once.
    virtual PxImageResult getImage(const PxImageContext& ctx) const = 0;
    virtual bool isChainConnected() const { return true; }
    virtual bool producesFullFrames() const { return false; }
    virtual int getNbStreams() const { return 1; }

    /// A new tile over `region` whose outside colour is `fill`. Its pixels are not initialised:
    /// the caller writes every one.
    static RCShdPtr<IxTile> allocateImageBuffer(const PxImageContext& ctx, const CoRgbaColorTyped<float>& fill,
                                                const GeRectangle<int>& region);
    /// The pixels at scale `s` covering nominal rectangle `r` for pixels `pixelAspect` wide:
    /// x divided by the aspect, both axes times s, rounded outward to whole pixels.
    static GeRectangle<int> nominalToPixelized(const GeRectangle<float>& r, float pixelAspect, float s);
};

/// Base of image nodes built on one image input: format and region of definition are the
/// input's unless overridden.
class PxImageNode : public PxImageProtocol, public PxImageFormatProtocol
{
public:
    PxImageNode(const Init& init, const PxNodePtr<PxImageProtocol const>& input);
    ~PxImageNode() override;

    /// The input's format. Raises RCExNullPtr without an input.
    PxImageFormat getImageFormat() const override;
    /// The input's region of definition. Raises RCExNullPtr without an input.
    PxRODResult getImageROD(const PxImageContext& ctx) const override;

    const PxNodePtr<PxImageProtocol const>& getImageInput() const { return m_imageInput; }

private:
    PxNodePtr<PxImageProtocol const> m_imageInput;
};

} // namespace Vx
