// Image input policies.
#include <Vx/Pi/PiImageInputPolicy.h>

#include <stdexcept>

namespace Vx {

PiImageInputPolicy::PiImageInputPolicy(bool primary, int imageKinds, int channels, int maxConnections, int resetType,
                                       bool required)
    : PiInputPolicy(PiSocketType::Image), m_primary(primary), m_imageKinds(imageKinds), m_channels(channels),
      m_maxConnections(maxConnections), m_resetType(resetType), m_required(required)
{
    if (maxConnections < 1)
        throw std::invalid_argument("An image input must take at least one connection, not " +
                                    std::to_string(maxConnections) + ".");
    if (resetType != KeepConnection && resetType != Disconnect)
        throw std::invalid_argument("The reset type " + std::to_string(resetType) + " is not 0 or 1.");
}

RCShdPtr<const PiImageInputPolicy> PiImageInputPolicy::createPrimary(int imageKinds, int channels, int maxConnections,
                                                                     int resetType, bool required)
{
    return RCShdPtr<const PiImageInputPolicy>(
        new PiImageInputPolicy(true, imageKinds, channels, maxConnections, resetType, required));
}

RCShdPtr<const PiImageInputPolicy> PiImageInputPolicy::create(int imageKinds, int channels, int maxConnections,
                                                              int resetType, bool required)
{
    return RCShdPtr<const PiImageInputPolicy>(
        new PiImageInputPolicy(false, imageKinds, channels, maxConnections, resetType, required));
}

const std::string& PiImageInputPolicy::getPrimaryInputName()
{
    static const std::string name = "Input";
    return name;
}

bool PiImageInputPolicy::hasSameType(const PiInputPolicy& other) const
{
    const auto* image = dynamic_cast<const PiImageInputPolicy*>(&other);
    return image && image->m_primary == m_primary;
}

} // namespace Vx
