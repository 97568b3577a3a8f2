// The policy of an image input: what it accepts, and whether it is the tool's primary input.
//
// The primary input is the one a modifier modifies: the host connects it first when a node is
// inserted after another, and it is named getPrimaryInputName() ("Input").
#pragma once

#include <Vx/Pi/PiInputPolicy.h>

#include <string>

namespace Vx {

class PiImageInputPolicy : public PiInputPolicy
{
public:
    /// Bits of the image kinds an input accepts.
    enum ImageKind : int
    {
        StillImages = 1,
        Sequences = 2,
    };
    /// Bits of the channels an input reads.
    enum Channels : int
    {
        ColorChannels = 1,
        AlphaChannel = 2,
        DepthChannel = 4,
    };
    /// What a reset of the tool does to the input's connection.
    enum ResetType : int
    {
        KeepConnection = 0,
        Disconnect = 1,
    };

    /// The primary image input's policy. `imageKinds`: ImageKind bits; `channels`: Channels bits;
    /// `maxConnections`: at least 1; `resetType`: a ResetType; `required`: whether the tool needs
    /// a connection to produce an image (false for a tool that also generates).
    static RCShdPtr<const PiImageInputPolicy> createPrimary(int imageKinds, int channels, int maxConnections,
                                                            int resetType, bool required);
    /// A secondary image input's policy (a mask, say), with the same arguments.
    static RCShdPtr<const PiImageInputPolicy> create(int imageKinds, int channels, int maxConnections, int resetType,
                                                     bool required);
    /// The name of every tool's primary image input.
    static const std::string& getPrimaryInputName();

    bool isPrimary() const { return m_primary; }
    int getImageKinds() const { return m_imageKinds; }
    int getChannels() const { return m_channels; }
    int getMaxConnections() const { return m_maxConnections; }
    int getResetType() const { return m_resetType; }
    bool isRequired() const { return m_required; }

    bool hasSameType(const PiInputPolicy& other) const override;

private:
    PiImageInputPolicy(bool primary, int imageKinds, int channels, int maxConnections, int resetType, bool required);

    bool m_primary;
    int m_imageKinds;
    int m_channels;
    int m_maxConnections;
    int m_resetType;
    bool m_required;
};

} // namespace Vx
