// The warning about characters of the text that no installed font has: its text from the shipped
// message file, given when such characters appear, not repeated while the same ones stay, given
// again for others; characters a fallback font has are not reported. (Its count of characters
// beyond the sixteen it names is the end-to-end test's.)
#include "SlateControllerTestSupport.h"

#include <Vx/Pi/PiNode.h>

#include <algorithm>

namespace Vx::test {
namespace {

using namespace SlateNames;

std::string missing(const std::string& characters)
{
    return "SLATETOOL_ERR_MISSING_CHARACTERS: No installed font has the characters " + characters +
           " of the text of the Slate node \"burn-in\"; they are drawn as the font's missing-glyph box.";
}

using SlateCharactersTest = SlateControllerTest;

TEST_F(SlateCharactersTest, CharactersNoFontHasAreReportedOnceWhileTheyStay)
{
    const auto node = makeNode("burn-in");
    struct Step
    {
        const char* what;
        std::string font;
        std::string text;
        std::vector<std::string> messages;
    };
    const Step steps[] = {
        {"private use", "DejaVu Sans", "a\xEE\x80\x80", {missing("U+E000")}},
        {"the same character again", "DejaVu Sans", "\xEE\x80\x80 b \xEE\x80\x80", {}},
        {"another one, in order", "DejaVu Sans", "\xF3\xB0\x80\x80\xEE\x80\x80", {missing("U+E000 U+F0000")}},
        {"the same ones in another font", "DejaVu Serif", "\xF3\xB0\x80\x80\xEE\x80\x80", {}},
        {"controls, Latin-1, fallback and Greek", "DejaVu Sans", "\t\x01\xE9 \xF0\x9D\x92\x9C \xCE\xB1", {}},
        {"missing again after a text without", "DejaVu Sans", "\xEE\x80\x80", {missing("U+E000")}},
        {"an unknown font checks the default font", "No Such Font", "\xF0\x9D\x92\x9C", {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        clearMessages();
        setInputUnrecorded(node, kTextFont, s.font);
        setInput(node, kText, s.text);
        std::vector<std::string> lines = getWarningLines();
        // The font warning is the font check's own test.
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.rfind("SLATETOOL_ERR_INVALID_FONT", 0) == 0; }),
                    lines.end());
        EXPECT_EQ(lines, s.messages);
    }
}

} // namespace
} // namespace Vx::test
