// Message files: any bytes as the content of a message file. Content that reads gives ids made
// of letters, digits and underscores, each once, with texts that are neither empty nor padded;
// content that does not read fails with MsgExFile naming a line of the file. Every text read is
// then formatted with values that themselves look like placeholders: a value is inserted as it
// is, and formatting without values only turns "%%" into "%".
#include "FuzzHost.h"

#include <Vx/Msg/MsgFileReader.h>
#include <Vx/Msg/MsgProtocol.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string withoutDoublePercents(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        result += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%')
            ++i;
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace Vx;
    using Vx::Fuzz::check;
    const std::string content(reinterpret_cast<const char*>(data), size);
    const int lines = int(std::count(content.begin(), content.end(), '\n')) + 1;
    std::istringstream input(content);
    std::vector<std::pair<std::string, std::string>> texts;
    try {
        texts = MsgFileReader::parse(input, "fuzz.msg");
    } catch (const MsgExFile& e) {
        check(e.getFileName() == "fuzz.msg" && e.getLine() >= 1 && e.getLine() <= lines,
              std::string("an error names no line of the file: ") + e.what());
        return 0;
    }
    std::set<std::string> ids;
    for (const auto& [id, text] : texts) {
        check(ids.insert(id).second, "the id " + id + " is read twice");
        check(!id.empty() && id.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") ==
                                 std::string::npos,
              "the id \"" + id + "\" is not a message id");
        check(!text.empty() && text.front() != ' ' && text.front() != '\t' && text.back() != ' ' && text.back() != '\t',
              "the text of " + id + " is empty or padded");
        check(MsgProtocol::format(text, {}) == withoutDoublePercents(text),
              "the text of " + id + " changes when formatted without values");
        const std::string formatted = MsgProtocol::format(text, {"%1", "%2%%", "", text});
        check(formatted.size() <= text.size() * (text.size() + 4) + 4, "the text of " + id + " formats too long");
    }
    return 0;
}
