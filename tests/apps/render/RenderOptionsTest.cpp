// The command line: every mistake is caught before anything is loaded, and names the option.
#include <Vx/Render/RenderOptions.h>

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

using namespace Vx::Render;

namespace {

struct Outcome
{
    ParsedCommandLine parsed;
    std::string out;
    std::string err;
};

Outcome parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "kestrin-render");
    std::ostringstream out;
    std::ostringstream err;
    Outcome o{parseCommandLine(int(args.size()), args.data(), out, err), "", ""};
    o.out = out.str();
    o.err = err.str();
    return o;
}

} // namespace

TEST(RenderOptions, ReadsEveryOption)
{
    std::istringstream line("comp.json -i in.####.exr -o out.%04d.png -f 1001-1100x2 -s Text=<CompName>=v<VersionNo> "
                            "--set Box=on --comp-name shot010 --version-name comp --version-number 3 --fps 23.976 "
                            "--range 1001-1100 --attr client=ACME --size 3840x2160 --threads 2 --tile-size 128 "
                            "--zip-level 6 --save saved.json -q");
    const std::vector<std::string> words{std::istream_iterator<std::string>(line), {}};
    std::vector<const char*> args;
    for (const std::string& word : words)
        args.push_back(word.c_str());
    const Outcome o = parse(args);
    ASSERT_TRUE(o.parsed.options) << o.err;
    const RenderOptions& r = *o.parsed.options;
    EXPECT_EQ(r.composition, "comp.json");
    EXPECT_EQ(r.input, "in.####.exr");
    EXPECT_EQ(r.output, "out.%04d.png");
    EXPECT_EQ(r.frames, "1001-1100x2");
    ASSERT_EQ(r.sets.size(), 2u);
    // Only the first '=' separates the name: the text may hold more.
    EXPECT_EQ(r.sets[0], std::make_pair(std::string("Text"), std::string("<CompName>=v<VersionNo>")));
    EXPECT_EQ(r.sets[1].first, "Box");
    EXPECT_EQ(r.compName, "shot010");
    EXPECT_EQ(r.versionName, "comp");
    EXPECT_EQ(r.versionNumber, 3);
    EXPECT_EQ(r.fps, "23.976");
    EXPECT_EQ(r.range, std::make_pair(std::int64_t(1001), std::int64_t(1100)));
    EXPECT_EQ(r.attributes.at(0), std::make_pair(std::string("client"), std::string("ACME")));
    EXPECT_EQ(r.size, std::make_pair(3840, 2160));
    EXPECT_EQ(r.threads, 2);
    EXPECT_EQ(r.tileSize, 128);
    EXPECT_EQ(r.zipLevel, 6);
    EXPECT_EQ(r.save, "saved.json");
    EXPECT_TRUE(r.quiet);
}

TEST(RenderOptions, MistakesAreNamedBeforeAnythingRuns)
{
    struct Case
    {
        std::vector<const char*> args;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{"-o", "out.exr"}, "--output: "},
        {{"-o", "out.####.exr", "-f", "1-x"}, "--frames: Invalid range \"1-x\""},
        {{"-o", "out.####.exr", "--fps", "0"}, "--fps: "},
        {{"-o", "out.####.exr", "--fps", "fast"}, "--fps: "},
        {{"-o", "out.####.exr", "--range", "100-1"},
         "--range: Invalid range \"100-1\": the last frame comes before the first"},
        {{"-o", "out.####.exr", "--range", "1..100"}, "--range: expected FIRST-LAST, got \"1..100\""},
        {{"-o", "out.####.exr", "--size", "1920"}, "--size: expected WxH such as 1920x1080, got \"1920\""},
        {{"-o", "out.####.exr", "-s", "Text"}, "--set: expected \"Name=value\", got \"Text\""},
        {{"-o", "out.####.exr", "--attr", "=x"}, "--attr: expected \"Name=value\", got \"=x\""},
        {{}, "--output is required"},
        {{"-o", "out.####.exr", "--tile-size", "2"}, "--tile-size"},
        {{"-o", "out.####.exr", "--zip-level", "0"}, "--zip-level"},
        {{"-o", "out.####.exr", "--zip-level", "10"}, "--zip-level"},
        {{"-o", "out.####.exr", "--bogus"}, "--bogus"},
    };
    for (const Case& c : cases) {
        const Outcome o = parse(c.args);
        EXPECT_FALSE(o.parsed.options);
        EXPECT_EQ(o.parsed.exitCode, 2);
        EXPECT_NE(o.err.find(c.expected), std::string::npos) << "expected \"" << c.expected << "\" in: " << o.err;
        EXPECT_EQ(o.err.rfind("kestrin-render: ", 0), 0u) << o.err;
    }
}

TEST(RenderOptions, OnlyAnOutputOrAnInformationOptionIsNeeded)
{
    const Outcome o = parse({"-o", "out.####.exr"});
    ASSERT_TRUE(o.parsed.options) << o.err;
    // What is not given stays unset, so that a composition file's values are kept.
    EXPECT_FALSE(o.parsed.options->compName);
    EXPECT_FALSE(o.parsed.options->fps);
    EXPECT_FALSE(o.parsed.options->range);
    for (const std::vector<const char*>& args :
         {std::vector<const char*>{"--describe"}, {"--list-fonts"}, {"--null-output", "--size", "1920x1080"}})
        EXPECT_TRUE(parse(args).parsed.options) << args[0];
}
