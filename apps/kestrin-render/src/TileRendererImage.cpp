// Whole frames rendered into an OpenImageIO image buffer (part of the image I/O library: see
// ImageIO.h).
#include <Vx/Render/TileRenderer.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

namespace Vx::Render {

OIIO::ImageBuf TileRenderer::render(const PxImageProtocol& node, double time, int level) const
{
    const GeRectangle<int> frame = getFullFrame(node, level);
    OIIO::ImageSpec spec(frame.getWidth(), frame.getHeight(), 4, OIIO::TypeFloat);
    spec.channelnames = {"R", "G", "B", "A"};
    spec.alpha_channel = 3;
    // OpenImageIO reports a failed allocation as an error of the buffer, with no pixels: the frame
    // is refused here rather than written into.
    OIIO::ImageBuf image;
    try {
        image.reset(spec, OIIO::InitializePixels::No);
    } catch (const std::bad_alloc&) {
    }
    float* const pixels = static_cast<float*>(image.localpixels());
    if (!pixels)
        throw std::runtime_error(
            "Cannot allocate the frame: " + std::to_string(frame.getWidth()) + "x" + std::to_string(frame.getHeight()) +
            " pixels of float RGBA need " +
            std::to_string(std::uint64_t(frame.getWidth()) * std::uint64_t(frame.getHeight()) * 16) +
            " bytes, more than the system gives");
    renderInto(node, time, pixels, level);
    return image;
}

} // namespace Vx::Render
