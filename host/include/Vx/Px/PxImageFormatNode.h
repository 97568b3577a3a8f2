// The image format of a generator, as a node the graph reads; changed only by request.
#pragma once

#include <Vx/Px/PxImage.h>

namespace Vx {

class PxImageFormatNode : public PxImageFormatProtocol
{
public:
    PxImageFormatNode(const Init& init, const PxImageFormat& format) : PxNode(init), m_format(format) {}

    PxImageFormat getImageFormat() const override { return m_format; }
    /// Only from a PxImageFormatSetRequest executing on the worker thread.
    void setImageFormat(const PxImageFormat& format) { m_format = format; }

private:
    PxImageFormat m_format;
};

/// Sets the format of a PxImageFormatNode and invalidates it (and so its readers) for all time.
class PxImageFormatSetRequest : public PxRequest
{
public:
    PxImageFormatSetRequest(const RCShdPtr<PxImageFormatNode>& node, const PxImageFormat& format)
        : m_node(node), m_format(format)
    {
    }
    void getRequestType(std::uint8_t& record) const override
    {
        record = std::uint8_t((record & ~kTypeMask) | ImageFormat);
    }
    void performExecute() override
    {
        PxImageFormatNode& node = *m_node;
        node.setImageFormat(m_format);
        node.invalidate(PxValidityInterval::FULL, -2);
    }

private:
    RCShdPtr<PxImageFormatNode> m_node;
    PxImageFormat m_format;
};

} // namespace Vx
