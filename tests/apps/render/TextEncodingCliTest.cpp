// Text in any language through kestrin-render: texts saved in compositions load back to the same
// pixels (bytes that are not UTF-8 as their Latin-1 reading), --save refused before the first frame
// when it cannot be written, --set-file, and the warning about characters no installed font has,
// given once per run whatever the frames and threads.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Vx/Li/LiUtf8.h>

#include "RenderProgram.h"

using namespace Vx::Render::test;

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kCard = {"-q", "--size", "320x180", "--range", "1-2", "-s", "Text Size=30"};

std::vector<std::string> card(std::vector<std::string> args)
{
    args.insert(args.begin(), kCard.begin(), kCard.end());
    return args;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(KestrinRenderText, TextsThatAreNotUtf8SaveAsTheirLatin1ReadingAndLoadToTheSamePixels)
{
    ScratchFolder folder;
    // An attribute and the text, both with a Latin-1 byte, with UTF-8 Greek and a fallback character.
    renderOk(folder,
             card({"--attr", "client=Caf\xE9", "-s", "Text=<attr:client> Z\xFCrich \xCE\xB1\xCE\xB2 \xF0\x9D\x92\x9C",
                   "-o", "first.#.png", "--save", "saved.json"}));
    const std::string saved = contents(folder.file("saved.json"));
    EXPECT_TRUE(Vx::LiUtf8::isUtf8(saved));
    EXPECT_NE(saved.find("\"client\": \"Caf\xC3\xA9\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"Text\": \"<attr:client> Z\xC3\xBCrich \xCE\xB1\xCE\xB2 \xF0\x9D\x92\x9C\""),
              std::string::npos)
        << saved;
    renderOk(folder, {"-q", "saved.json", "-o", "again.#.png"});
    // Typed as UTF-8 from the start.
    renderOk(folder,
             card({"-s", "Text=Caf\xC3\xA9 Z\xC3\xBCrich \xCE\xB1\xCE\xB2 \xF0\x9D\x92\x9C", "-o", "typed.#.png"}));
    for (const std::string frame : {"0001", "0002"}) {
        EXPECT_EQ(pixelsOf(folder, "first." + frame + ".png"), pixelsOf(folder, "again." + frame + ".png")) << frame;
        EXPECT_EQ(pixelsOf(folder, "first." + frame + ".png"), pixelsOf(folder, "typed." + frame + ".png")) << frame;
    }
}

// (A --save into a missing folder: the render limits' table.)
TEST(KestrinRenderText, SaveThatCannotBeWrittenIsRefusedBeforeTheFirstFrame)
{
    ScratchFolder folder;
    const RunResult result = runRender(folder, card({"-o", "caf\xE9.#.png", "--save", "c.json"}));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "kestrin-render: --save \"c.json\": the composition cannot be written as JSON: the file name "
                          "at \"/output\" is not UTF-8, and a composition file holds UTF-8 text only\n");
    EXPECT_TRUE(folder.listNames().empty()) << "nothing rendered, nothing saved";
}

TEST(KestrinRenderText, SetFileReadsTheValueFromAFile)
{
    ScratchFolder folder;
    writeFile(folder.file("notes.txt"), "Line \xCE\xB1\n\tCaf\xC3\xA9\n");
    writeFile(folder.file("two.txt"), "Line\n\n");
    writeFile(folder.file("long.txt"), std::string((std::size_t(1) << 20) + 1, 'a'));
    writeFile(folder.file("limit.txt"), std::string(std::size_t(1) << 20, 'a') + "\n");
    renderOk(folder, card({"--set-file", "Text=notes.txt", "-o", "file.#.png"}));
    renderOk(folder, card({"-s", "Text=Line \xCE\xB1\n\tCaf\xC3\xA9", "-o", "typed.#.png"}));
    EXPECT_EQ(pixelsOf(folder, "file.0001.png"), pixelsOf(folder, "typed.0001.png"));
    // One trailing line feed is dropped, not two.
    renderOk(folder, card({"--set-file", "Text=two.txt", "-s", "Vertical Alignment=Bottom", "-o", "two.#.png"}));
    renderOk(folder, card({"-s", "Text=Line\n", "-s", "Vertical Alignment=Bottom", "-o", "one.#.png"}));
    renderOk(folder, card({"-s", "Text=Line", "-s", "Vertical Alignment=Bottom", "-o", "none.#.png"}));
    EXPECT_EQ(pixelsOf(folder, "two.0001.png"), pixelsOf(folder, "one.0001.png"));
    EXPECT_NE(pixelsOf(folder, "two.0001.png"), pixelsOf(folder, "none.0001.png"));
    // Exactly the bound, once its line feed is dropped.
    renderOk(folder, card({"--set-file", "Text=limit.txt", "--null-output", "-f", "1"}));

    struct Case
    {
        std::string arg;
        std::string message;
    };
    const Case errors[] = {
        {"Text=absent.txt",
         "kestrin-render: --set-file \"Text=absent.txt\": the file \"absent.txt\" cannot be read: No such file or "
         "directory\n"},
        {"Text=.", "kestrin-render: --set-file \"Text=.\": the file \".\" is a folder, not a file\n"},
        {"Text=long.txt", "kestrin-render: --set-file \"Text=long.txt\": the file \"long.txt\" holds more than 1048576 "
                          "bytes; a value may be at most that long\n"},
        {"notes.txt", "kestrin-render: --set-file: expected \"Name=value\", got \"notes.txt\"\n"},
    };
    for (const Case& c : errors) {
        const RunResult result = runRender(folder, card({"--set-file", c.arg, "-o", "bad.#.png"}));
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, c.message);
        EXPECT_FALSE(fs::exists(folder.file("bad.0001.png")));
    }
}

TEST(KestrinRenderText, CharactersNoFontHasAreReportedOncePerRun)
{
    ScratchFolder folder;
    const std::string warning = "Warning: No installed font has the characters U+E000 U+F0000 of the text of the "
                                "Slate node \"Slate\"; they are drawn as the font's missing-glyph box.\n";
    const RunResult many = runRender(folder, {"--size", "320x180", "--range", "1-12", "--threads", "4", "-s",
                                              "Text=\xEE\x80\x80 <FrameNo> \xF3\xB0\x80\x80 \xEE\x80\x80 "
                                              "\xF0\x9D\x92\x9C",
                                              "--null-output", "-q"});
    EXPECT_EQ(many.exitCode, 0);
    EXPECT_EQ(many.err, warning);

    // A text of 1 MiB of random bytes renders, and its warning names sixteen characters and counts the rest.
    std::mt19937 random(17);
    std::string bytes(std::size_t(1) << 20, ' ');
    for (char& c : bytes)
        c = static_cast<char>(random() % 256);
    writeFile(folder.file("random.txt"), bytes);
    const RunResult large = runRender(
        folder, {"--size", "320x180", "--range", "1-1", "--set-file", "Text=random.txt", "--null-output", "-q"});
    EXPECT_EQ(large.exitCode, 0) << large.err;
    EXPECT_EQ(large.err.find("Warning: No installed font has the characters U+"), 0u) << large.err;
    EXPECT_NE(large.err.find(" more of the text of the Slate node \"Slate\""), std::string::npos) << large.err;
    std::size_t named = 0;
    for (std::size_t at = large.err.find("U+"); at != std::string::npos; at = large.err.find("U+", at + 1))
        ++named;
    EXPECT_EQ(named, 16u) << large.err;
}
