#include <Vx/Msg/MsgFileReader.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <map>

namespace Vx {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string trim(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool isValidId(const std::string& id)
{
    if (id.empty() || (id[0] >= '0' && id[0] <= '9'))
        return false;
    for (char c : id) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit && c != '_')
            return false;
    }
    return true;
}

[[noreturn]] void throwMalformed(const std::string& fileName, int line, const std::string& reason)
{
    throw MsgExFile("The message file \"" + fileName + "\", line " + std::to_string(line) +
                        ", is malformed: " + reason + ".",
                    fileName, line);
}

} // namespace

MsgExFile::MsgExFile(const std::string& message, std::string fileName, int line)
    : std::runtime_error(message), m_fileName(std::move(fileName)), m_line(line)
{
}

std::vector<std::pair<std::string, std::string>> MsgFileReader::read(const std::string& path)
{
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        const int error = errno;
        throw MsgExFile("The message file \"" + path + "\" cannot be read: " +
                            (error != 0 ? std::strerror(error) : "the file could not be opened") + ".",
                        path, 0);
    }
    return parse(input, path);
}

std::vector<std::pair<std::string, std::string>> MsgFileReader::parse(std::istream& input, const std::string& fileName)
{
    std::vector<std::pair<std::string, std::string>> texts;
    std::map<std::string, int> definedOn;
    std::string raw;
    int lineNumber = 0;
    while (std::getline(input, raw)) {
        ++lineNumber;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (lineNumber == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0)
            raw.erase(0, 3);
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#')
            continue;

        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            throwMalformed(fileName, lineNumber, "expected \"ID = text\" but found \"" + line + "\"");
        const std::string id = trim(line.substr(0, equals));
        const std::string text = trim(line.substr(equals + 1));
        if (!isValidId(id))
            throwMalformed(fileName, lineNumber,
                           "\"" + id +
                               "\" is not a message id (ids are ASCII letters, digits and underscores, not "
                               "starting with a digit)");
        if (text.empty())
            throwMalformed(fileName, lineNumber, "the message " + id + " has no text");
        auto [previous, inserted] = definedOn.emplace(id, lineNumber);
        if (!inserted)
            throwMalformed(fileName, lineNumber,
                           "the message " + id + " is already defined on line " + std::to_string(previous->second));
        texts.emplace_back(id, text);
    }
    if (input.bad())
        throw MsgExFile("The message file \"" + fileName + "\" cannot be read past line " + std::to_string(lineNumber) +
                            ".",
                        fileName, lineNumber);
    return texts;
}

} // namespace Vx
