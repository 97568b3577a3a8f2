// IpLogicOps::process, operator 0 ("over"): a straight source with alpha a over a premultiplied
// destination. (Its arithmetic at partial coverage, pixel by pixel: the Slate box and glyph tests.)
#include <Vx/Co/CoColor.h>
#include <Vx/Ip/IpLogicOps.h>

#include <gtest/gtest.h>

#include <cstring>

namespace Vx {
namespace {

using Rgba = CoRgbaColorTyped<float>;

bool bitIdentical(const Rgba& a, const Rgba& b)
{
    return std::memcmp(&a, &b, sizeof(Rgba)) == 0;
}

TEST(IpLogicOps, OpaqueSourceReplacesAndTransparentSourceKeepsTheDestinationBitForBit)
{
    const Rgba destinations[] = {
        {0, 0, 0, 0}, {0.3f, 0.6f, 0.9f, 1.0f}, {0.1f, 0.2f, 0.05f, 0.25f}, {-0.0f, 1e-38f, 3.0f, 0.7f}};
    for (const Rgba& destination : destinations) {
        const Rgba opaque = IpLogicOps::process({0.7f, 0.11f, 0.33f, 1.0f}, destination, IpLogicOps::Over);
        EXPECT_TRUE(bitIdentical(opaque, Rgba{0.7f, 0.11f, 0.33f, 1.0f})) << opaque << " over " << destination;
        const Rgba transparent = IpLogicOps::process({0.7f, 0.11f, 0.33f, 0.0f}, destination, IpLogicOps::Over);
        EXPECT_TRUE(bitIdentical(transparent, destination)) << transparent << " for " << destination;
    }
}

TEST(IpLogicOps, InPlaceAndRowFormsGiveProcessBitForBit)
{
    const Rgba pixels[] = {{0.1f, 0.2f, 0.3f, 0.4f}, {1.0f, 0.0f, 0.5f, 1.0f}, {0.0f, 0.0f, 0.0f, 0.0f}};
    for (const float alpha : {0.0f, 0.3f, 0.7f, 1.0f}) {
        const Rgba source{0.9f, 0.45f, 0.15f, alpha};
        float row[3 * 4];
        std::memcpy(row, pixels, sizeof(row));
        IpLogicOps::overRow(row, 3, source);
        for (int i = 0; i < 3; ++i) {
            const Rgba expected = IpLogicOps::process(source, pixels[i], IpLogicOps::Over);
            float one[4] = {pixels[i].red, pixels[i].green, pixels[i].blue, pixels[i].alpha};
            IpLogicOps::overInPlace(one, source);
            const Rgba inPlace{one[0], one[1], one[2], one[3]};
            const Rgba fromRow{row[i * 4], row[i * 4 + 1], row[i * 4 + 2], row[i * 4 + 3]};
            EXPECT_TRUE(bitIdentical(inPlace, expected)) << alpha << " over " << pixels[i];
            EXPECT_TRUE(bitIdentical(fromRow, expected)) << alpha << " over " << pixels[i];
        }
    }
}

} // namespace
} // namespace Vx
