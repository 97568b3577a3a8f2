// Shared helpers of the kestrin-render tests.
#include "RenderTestUtil.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

namespace Vx::Render::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    std::string templ = (fs::temp_directory_path() / "kestrin-render-test-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("Cannot create a scratch folder in " + fs::temp_directory_path().string());
    m_path = templ;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    // Tests may leave folders read-only; give them back before removing.
    for (const auto& entry : fs::recursive_directory_iterator(m_path, ec))
        if (entry.is_directory(ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

std::vector<std::string> ScratchFolder::listNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TestImage makeImage(int width, int height, int channels, const std::function<float(int, int, int)>& value)
{
    TestImage image{width, height, channels, {}};
    image.pixels.reserve(std::size_t(width) * std::size_t(height) * std::size_t(channels));
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            for (int c = 0; c < channels; ++c)
                image.pixels.push_back(value(column, row, c));
    return image;
}

void writeImage(const std::string& path, const TestImage& image, OIIO::ImageSpec spec)
{
    spec.width = spec.full_width = image.width;
    spec.height = spec.full_height = image.height;
    spec.nchannels = image.channels;
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out) << OIIO::geterror();
    ASSERT_TRUE(out->open(path, spec)) << out->geterror();
    ASSERT_TRUE(out->write_image(OIIO::TypeFloat, image.pixels.data())) << out->geterror();
    ASSERT_TRUE(out->close()) << out->geterror();
}

TestImage readImage(const std::string& path, OIIO::ImageSpec* specOut)
{
    TestImage image;
    auto in = OIIO::ImageInput::open(path);
    EXPECT_TRUE(in) << OIIO::geterror();
    if (!in)
        return image;
    const OIIO::ImageSpec spec = in->spec();
    image = {spec.width, spec.height, spec.nchannels, {}};
    image.pixels.resize(std::size_t(spec.width) * std::size_t(spec.height) * std::size_t(spec.nchannels));
    EXPECT_TRUE(in->read_image(0, 0, 0, spec.nchannels, OIIO::TypeFloat, image.pixels.data())) << in->geterror();
    if (specOut)
        *specOut = spec;
    return image;
}

std::vector<float> readTiles(const PxImageProtocol& node, double time, int level, const GeRectangle<int>& region,
                             int tile)
{
    std::vector<float> pixels(std::size_t(region.getWidth()) * std::size_t(region.getHeight()) * 4, -1.0f);
    PxRequestMgr::RenderScope scope;
    for (int y0 = region.y0; y0 < region.y1; y0 += tile) {
        for (int x0 = region.x0; x0 < region.x1; x0 += tile) {
            const GeRectangle<int> r(x0, std::min(x0 + tile, region.x1), y0, std::min(y0 + tile, region.y1));
            const PxImageResult result = node.getImage(PxImageContext{time, level, r});
            EXPECT_EQ(result.getPixelRegion(), r);
            const IxReadGuard guard = result.getTileGuard();
            for (int y = r.y0; y < r.y1; ++y)
                std::memcpy(&pixels[(std::size_t(y - region.y0) * std::size_t(region.getWidth()) +
                                     std::size_t(r.x0 - region.x0)) *
                                    4],
                            guard.getPixel(r.x0, y), std::size_t(r.getWidth()) * 4 * sizeof(float));
        }
    }
    return pixels;
}

PxImageResult CoordinateNode::getImage(const PxImageContext& ctx) const
{
    if (ctx.region.x0 == m_failX && ctx.region.y0 == m_failY)
        throw std::runtime_error("tile at " + std::to_string(m_failX) + ", " + std::to_string(m_failY) + " failed");
    RCShdPtr<IxTile> tile = allocateImageBuffer(ctx, {}, ctx.region);
    const IxWriteGuard out(tile.get());
    for (int y = ctx.region.y0; y < ctx.region.y1; ++y)
        for (int x = ctx.region.x0; x < ctx.region.x1; ++x)
            IxPixelUtil::setPixelColor(out, x, y, {float(x), float(y), float(ctx.level), 1.0f});
    return PxImageResult(tile, {});
}

} // namespace Vx::Render::test
