// Header attributes as the texts <meta:NAME> shows: one attribute of each kind OpenImageIO
// reports, set on a spec, and the exact text it gives.
#include <Vx/Render/FileMetadata.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using namespace Vx::Render;

TEST(FileMetadata, EveryKindOfAttributeHasItsText)
{
    const auto bcd = [](int v) { return std::uint32_t((v / 10) << 4 | (v % 10)); };
    const std::uint32_t timeCode[2] = {bcd(4) | bcd(3) << 8 | bcd(2) << 16 | bcd(1) << 24, 0x12345678};
    const std::uint32_t dropTimeCode[2] = {timeCode[0] | 1u << 6, 0};
    const std::uint16_t halfOneAndAHalf = 0x3E00;
    const int rational[2] = {24000, 1001};
    const float vector[3] = {1.0f, 0.5f, -2.0f};
    const float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10.25f, 0, 0, 1};
    const double tenth = 0.1;
    const float third = 1.0f / 3.0f;

    struct Case
    {
        std::string name;
        std::function<void(OIIO::ImageSpec&, const std::string&)> set;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"string", [](auto& s, auto& n) { s.attribute(n, "A cam 35mm"); }, "A cam 35mm"},
        {"int", [](auto& s, auto& n) { s.attribute(n, -7); }, "-7"},
        {"float tenth", [](auto& s, auto& n) { s.attribute(n, 0.1f); }, "0.1"},
        {"float third", [&](auto& s, auto& n) { s.attribute(n, third); }, "0.33333334"},
        {"double", [&](auto& s, auto& n) { s.attribute(n, OIIO::TypeDesc::DOUBLE, &tenth); }, "0.1"},
        {"half", [&](auto& s, auto& n) { s.attribute(n, OIIO::TypeHalf, &halfOneAndAHalf); }, "1.5"},
        {"rational", [&](auto& s, auto& n) { s.attribute(n, OIIO::TypeRational, rational); }, "24000/1001"},
        {"timecode", [&](auto& s, auto& n) { s.attribute(n, OIIO::TypeTimeCode, timeCode); }, "01:02:03:04"},
        {"drop-frame", [&](auto& s, auto& n) { s.attribute(n, OIIO::TypeTimeCode, dropTimeCode); }, "01:02:03;04"},
        {"vector", [&](auto& s, auto& n) { s.attribute(n, OIIO::TypeVector, vector); }, "1 0.5 -2"},
        {"matrix", [&](auto& s, auto& n) { s.attribute(n, OIIO::TypeMatrix, matrix); },
         "1 0 0 0 0 1 0 0 0 0 1 0 10.25 0 0 1"},
    };
    OIIO::ImageSpec spec;
    for (const Case& c : cases) {
        OIIO::ImageSpec one;
        c.set(one, c.name);
        ASSERT_EQ(one.extra_attribs.size(), 1u) << c.name;
        EXPECT_EQ(formatAttribute(one.extra_attribs[0]), c.text) << c.name;
        c.set(spec, c.name);
    }
    // The whole header, in its order, found by exact name.
    const Vx::PxMetadataPtr metadata = makeMetadata(spec);
    ASSERT_EQ(metadata->getEntries().size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(metadata->getEntries()[i].first, cases[i].name);
        ASSERT_NE(metadata->find(cases[i].name), nullptr) << cases[i].name;
        EXPECT_EQ(*metadata->find(cases[i].name), cases[i].text);
    }
    EXPECT_EQ(metadata->find("String"), nullptr);
    EXPECT_EQ(headerFrameRate(spec), std::nullopt);
    spec.attribute("FramesPerSecond", OIIO::TypeRational, rational);
    EXPECT_EQ(headerFrameRate(spec), Vx::Rational(24000, 1001));
}
