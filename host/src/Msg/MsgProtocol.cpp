#include <Vx/Msg/MsgProtocol.h>

#include <Vx/Msg/MsgServer.h>

#include <cctype>
#include <utility>

namespace Vx {

namespace {

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

MsgProtocol::MsgProtocol(std::string id, MsgSeverity severity) : m_id(std::move(id)), m_severity(severity) {}

MsgProtocol::~MsgProtocol() = default;

MsgProtocol& MsgProtocol::substitute(const std::string& value)
{
    m_substitutions.push_back(value);
    return *this;
}

std::string MsgProtocol::getText() const
{
    std::optional<std::string> text = MsgServer::getInstance().getText(m_id);
    if (!text)
        return formatWithoutText(m_id, m_substitutions);
    return format(*text, m_substitutions);
}

void MsgProtocol::display() const
{
    MsgRecord record;
    record.severity = m_severity;
    record.id = m_id;
    record.text = getText();
    MsgServer::getInstance().getSink()->display(record);
}

std::string MsgProtocol::format(const std::string& text, const std::vector<std::string>& values)
{
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%' || i + 1 == text.size()) {
            result += text[i++];
            continue;
        }
        const char next = text[i + 1];
        if (next == '%') {
            result += '%';
            i += 2;
            continue;
        }
        if (!isDigit(next) || next == '0') {
            result += text[i++];
            continue;
        }
        std::size_t end = i + 1;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        // A run of digits too long for any value list cannot name a value; the size test keeps
        // the conversion from overflowing.
        const std::string digits = text.substr(i + 1, end - i - 1);
        const std::size_t number = digits.size() <= 9 ? std::stoul(digits) : 0;
        if (number >= 1 && number <= values.size())
            result += values[number - 1];
        else
            result.append(text, i, end - i);
        i = end;
    }
    return result;
}

std::string MsgProtocol::formatWithoutText(const std::string& id, const std::vector<std::string>& values)
{
    std::string result = id;
    if (values.empty())
        return result;
    result += " (";
    for (std::size_t v = 0; v < values.size(); ++v) {
        if (v != 0)
            result += ", ";
        result += '"' + values[v] + '"';
    }
    result += ')';
    return result;
}

} // namespace Vx
