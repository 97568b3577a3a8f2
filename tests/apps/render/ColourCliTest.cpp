// Colour management end to end, through the built program and its shipped configuration: the
// conversion against oiiotool's, the slate drawn after it, names that must give the same frames,
// and the bad inputs refused before anything renders.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

namespace fs = std::filesystem;

// The largest difference allowed between our conversion and oiiotool's (both OpenColorIO, which
// may pick other fast paths).
constexpr float kConversionTolerance = 1.0f / 1000.0f;

const std::string kConfig =
    (fs::canonical(KESTRIN_RENDER_PATH).parent_path().parent_path() / "share/ocio/config.ocio").string();

// A premultiplied float plate: colour ramps below 1, alpha 1 on the left half, falling to 0.25 on
// the right.
void writePlates(const ScratchFolder& folder)
{
    unsetenv("OCIO"); // the shipped configuration, whatever the environment says
    const TestImage plate = makeImage(256, 128, 4, [](int x, int y, int c) {
        const float alpha = x < 128 ? 1.0f : 1.0f - 0.75f * float(x - 128) / 127.0f;
        const float colour[3] = {0.9f * float(x) / 255.0f, 0.9f * float(y) / 127.0f, 0.05f + 0.4f * float(x + y) / 382};
        return c == 3 ? alpha : colour[c] * alpha;
    });
    writeImage(folder.file("plate.0001.exr"), plate, OIIO::ImageSpec(0, 0, 4, OIIO::TypeFloat));
    const TestImage card = makeImage(
        64, 32, 4, [](int x, int y, int c) { return c == 3 ? 1.0f : float((x * 4 + y * 7 + c * 50) % 256) / 255; });
    writeImage(folder.file("card.0001.png"), card, OIIO::ImageSpec(0, 0, 4, OIIO::TypeDesc::UINT8));
}

const std::vector<std::string> kBoxAndText = {"-s", "Text=IIII",       "-s", "Text Size=80", "-s", "Box=on",
                                              "-s", "Box Opacity=0.5", "-s", "Box Margin=16"};

// Our conversion is oiiotool's within 1/1000, and the slate is drawn over the converted plate:
// the same slate over oiiotool's converted plate, written without conversion, gives the same
// frame (the half-transparent box halves the converted values; white text is 1.0).
TEST(ColourCli, LinearToSrgbMatchesOiiotoolAndTheSlateDrawsAfterTheConversion)
{
    const ScratchFolder folder;
    writePlates(folder);
    ASSERT_EQ(std::system(("oiiotool --colorconfig " + shellQuoted(kConfig) + " " + folder.file("plate.0001.exr") +
                           " --colorconvert:unpremult=1 linear sRGB -d float -o " + folder.file("ref.0001.exr"))
                              .c_str()),
              0);
    renderOk(folder, with({"-i", "plate.####.exr", "-o", "ours.####.exr", "--colorspace-out", "sRGB"}, kBoxAndText));
    renderOk(folder, with({"-i", "ref.####.exr", "-o", "theirs.####.exr"}, kBoxAndText));
    renderOk(folder, {"-i", "ref.####.exr", "-o", "plain.####.exr", "-s", "Text=I", "-s", "Offset.X=1e30"});
    const TestImage ours = readImage(folder.file("ours.0001.exr"));
    const TestImage theirs = readImage(folder.file("theirs.0001.exr"));
    const TestImage plain = readImage(folder.file("plain.0001.exr"));
    ASSERT_EQ(ours.pixels.size(), theirs.pixels.size());
    float largest = 0;
    int white = 0;
    int halved = 0;
    for (std::size_t i = 0; i < ours.pixels.size(); i += 4) {
        for (int c = 0; c < 4; ++c)
            largest = std::max(largest, std::abs(ours.pixels[i + c] - theirs.pixels[i + c]));
        white += ours.pixels[i] == 1 && ours.pixels[i + 1] == 1 && ours.pixels[i + 2] == 1 && plain.pixels[i] < 0.99f;
        halved += std::abs(ours.pixels[i + 1] - 0.5f * plain.pixels[i + 1]) < kConversionTolerance &&
                  plain.pixels[i + 1] > 0.1f;
    }
    EXPECT_LE(largest, kConversionTolerance);
    EXPECT_GT(white, 500);   // the text's inside
    EXPECT_GT(halved, 2000); // the box around it
}

// Defaults and names that mean the same conversion give the same pixels, exactly; with no
// conversion (EXR to EXR, PNG to PNG) the plate passes through exactly.
TEST(ColourCli, EquivalentChoicesGiveTheSameFrame)
{
    const ScratchFolder folder;
    writePlates(folder);
    struct Case
    {
        std::string input;
        std::string extension;
        std::vector<std::string> a;
        std::vector<std::string> b;
        bool unchanged; // the plate as read
    };
    const std::vector<Case> cases = {
        {"plate", "exr", {}, {"--colorspace-in", "linear", "--colorspace-out", "Linear Rec.709 (sRGB)"}, true},
        {"card", "png", {}, {"--colorspace-in", "sRGB", "--colorspace-out", "srgb_rec709"}, true},
        {"plate", "png", {}, {"--colorspace-out", "sRGB"}, false},
        {"plate", "png", {"--display", "sRGB", "--view", "Standard"}, {"--colorspace-out", "sRGB"}, false},
        {"plate", "tif", {"--display", "Rec.709", "--view", "Standard"}, {"--colorspace-out", "Rec709"}, false},
        {"plate",
         "exr",
         {"--display", "sRGB", "--view", "ACES 1.0 SDR-video"},
         {"--colorspace-out", "aces_srgb"},
         false},
        // A movie (one file, no frame number) is Rec.709 by default.
        {"plate", "mov", {}, {"--colorspace-out", "Rec709"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " to " + c.extension + ", " + c.b.back());
        const std::vector<std::string> common = {
            "-i", c.input + ".####." + (c.input == "card" ? "png" : "exr"), "-s", "Text=I", "-s", "Offset.X=1e30"};
        const auto name = [&](const std::string& stem, const char* frame) {
            return stem + (c.extension == "mov" ? "." : frame) + c.extension;
        };
        renderOk(folder, with(with(common, {"-o", name("a", ".####.")}), c.a));
        renderOk(folder, with(with(common, {"-o", name("b", ".####.")}), c.b));
        renderOk(folder, with(common, {"-o", name("raw", ".####."), "--colorspace-out", "linear", "--colorspace-in",
                                       "linear"}));
        const auto pixels = [&](const std::string& stem) { return pixelsOf(folder, name(stem, ".0001.")); };
        const std::vector<float> a = pixels("a");
        EXPECT_EQ(a, pixels("b"));
        EXPECT_EQ(a == pixels("raw"), c.unchanged);
        if (c.unchanged) {
            EXPECT_EQ(a, pixels(c.input));
        }
    }
}

// Unknown names and configurations that do not load are usage errors before anything renders,
// naming the option, the value, the file and what is known.
TEST(ColourCli, BadColourInputsAreRefusedBeforeRendering)
{
    const ScratchFolder folder;
    writePlates(folder);
    std::ofstream(folder.file("broken.ocio")) << "ocio_profile_version: 2\ncolorspaces: [\n";
    std::ofstream(folder.file("broken.json")) << R"({"colour": {"ocio": "broken.ocio"}})";
    const std::string spaces =
        "\"Linear Rec.709 (sRGB)\" (aliases \"linear\", \"lin_rec709\", \"scene-linear\"), \"ACEScg\" (aliases "
        "\"lin_ap1\"), \"ACES2065-1\" (aliases \"lin_ap0\", \"aces\"), \"sRGB Encoded Rec.709\" (aliases \"sRGB\", "
        "\"srgb_rec709\", \"srgb_display\"), \"Gamma 2.4 Encoded Rec.709\" (aliases \"Rec709\", \"rec1886_rec709\", "
        "\"bt1886\"), \"ACES 1.0 SDR-video sRGB\" (aliases \"aces_srgb\"), \"ACES 1.0 SDR-video Rec.709\" (aliases "
        "\"aces_rec709\"), \"Raw\"";
    const std::string in = " in \"" + kConfig + "\"; known: ";
    const std::string broken = ": the colour configuration cannot be loaded: Error: Loading the OCIO profile "
                               "'broken.ocio' failed. yaml-cpp: error at line 3, column 1: end of sequence flow not "
                               "found\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--colorspace-in", "Cineon"},
         "--colorspace-in: unknown colour space \"Cineon\"" + in + spaces +
             " (roles name them too; --list-colorspaces lists them)\n"},
        {{"--colorspace-out", "P3"},
         "--colorspace-out: unknown colour space \"P3\"" + in + spaces +
             " (roles name them too; --list-colorspaces lists them)\n"},
        {{"--display", "DCI"}, "--display: unknown display \"DCI\"" + in + "\"sRGB\", \"Rec.709\"\n"},
        {{"--display", "sRGB", "--view", "Filmic"},
         "--view: unknown view \"Filmic\" of the display \"sRGB\"" + in + "\"Standard\", \"ACES 1.0 SDR-video\"\n"},
        {{"--colorspace-out", "sRGB", "--view", "Standard"},
         "--colorspace-out and --display/--view both choose the output's colour: give one or the other\n"},
        {{"--ocio", "broken.ocio", "--colorspace-out", "sRGB"}, "--ocio \"broken.ocio\"" + broken},
        {{"--ocio", "broken.ocio", "--list-colorspaces"}, "--ocio \"broken.ocio\"" + broken},
        {{"broken.json", "--list-colorspaces"},
         "Composition \"broken.json\": \"colour\" \"ocio\" \"broken.ocio\"" + broken},
    };
    for (const auto& [args, message] : cases) {
        const RunResult run = runRender(folder, with({"-i", "plate.####.exr", "-o", "out.####.png"}, args));
        EXPECT_EQ(run.exitCode, 2) << args.front();
        EXPECT_EQ(run.err, "kestrin-render: " + message);
    }
    setenv("OCIO", "broken.ocio", 1);
    EXPECT_EQ(runRender(folder, {"-i", "plate.####.exr", "-o", "out.####.png"}).err,
              "kestrin-render: $OCIO \"broken.ocio\"" + broken);
    unsetenv("OCIO");
    EXPECT_FALSE(fs::exists(folder.file("out.0001.png")));
    const RunResult list = runRender(folder, {"--list-colorspaces"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_NE(list.out.find("\n  sRGB: Standard, ACES 1.0 SDR-video\n  Rec.709: Standard, ACES 1.0 SDR-video\n"),
              std::string::npos);
}

} // namespace
