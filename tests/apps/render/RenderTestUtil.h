// Shared helpers of the kestrin-render tests: scratch folders, image sequences written with
// OpenImageIO, small nodes with known pixels, and tile-by-tile reads of a node.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <OpenImageIO/imageio.h>

#include <Vx/Px/PxImage.h>

namespace Vx::Render::test {

/// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }
    /// `name` inside the folder.
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    /// The names of the files in the folder, sorted, hidden ones included.
    std::vector<std::string> listNames() const;

private:
    std::string m_path;
};

/// Pixels of an image as a file holds them: `channels` floats per pixel, top row first.
struct TestImage
{
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<float> pixels;

    float at(int column, int row, int channel) const
    {
        return pixels[(std::size_t(row) * std::size_t(width) + std::size_t(column)) * std::size_t(channels) +
                      std::size_t(channel)];
    }
};

/// An image whose channel c of pixel (column, row) is value(column, row, c).
TestImage makeImage(int width, int height, int channels, const std::function<float(int, int, int)>& value);

/// Writes `image` to `path` with OpenImageIO as `spec` says (its size and channels are taken from
/// `image`); fails the calling test on error.
void writeImage(const std::string& path, const TestImage& image, OIIO::ImageSpec spec);

/// Reads every channel of `path` as float; fails the calling test on error.
TestImage readImage(const std::string& path, OIIO::ImageSpec* spec = nullptr);

/// The pixels of `region` of `node` at `time` and `level`, read as tiles of `tile` x `tile` pixels
/// on the calling thread inside a render scope: premultiplied RGBA, rows bottom to top.
std::vector<float> readTiles(const PxImageProtocol& node, double time, int level, const GeRectangle<int>& region,
                             int tile);

/// A node whose pixel (x, y) at level k is (x, y, k, 1) over a frame of `format`, and which throws
/// std::runtime_error("tile at x, y failed") for the tile starting at (failX, failY) if failX >= 0.
class CoordinateNode : public PxImageProtocol
{
public:
    CoordinateNode(const Init& init, const PxImageFormat& format, int failX = -1, int failY = -1)
        : PxNode(init), m_format(format), m_failX(failX), m_failY(failY)
    {
    }
    PxImageFormat getImageFormat() const override { return m_format; }
    PxRODResult getImageROD(const PxImageContext&) const override { return {m_format.getNominalFrame(), {}}; }
    PxImageResult getImage(const PxImageContext& ctx) const override;

private:
    PxImageFormat m_format;
    int m_failX;
    int m_failY;
};

} // namespace Vx::Render::test
