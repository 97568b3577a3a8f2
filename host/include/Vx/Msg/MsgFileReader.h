// Reading message files: the texts of a tool's message ids, one message a line.
//
// Format (UTF-8 text):
//
//   # Messages of the example tool.
//   EXAMPLE_ERR_INVALID_FONT  = The font "%1" is not installed; the default font is used.
//   EXAMPLE_ERR_INVALID_STYLE = The style "%1" is not available for the font "%2".
//
// - Each message is one line: an id, "=", the text. Blanks and tabs around the id and around
//   the text are ignored; the text runs to the end of the line and may hold "=" and "#".
// - An id is made of ASCII letters, digits and underscores and does not start with a digit.
// - A line whose first non-blank character is "#" is a comment; blank lines are ignored.
// - Line ends may be "\n" or "\r\n"; a UTF-8 byte-order mark at the start is skipped.
// - Each id appears once per file, and every message has a text.
// A file that cannot be read, or any line that breaks these rules, raises MsgExFile naming the
// file and the line. The placeholders of a text are MsgProtocol's ("%1", "%2", "%%").
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace Vx {

/// Raised when a message file cannot be read or holds a malformed line.
class MsgExFile : public std::runtime_error
{
public:
    MsgExFile(const std::string& message, std::string fileName, int line);
    /// The file at fault, as it was opened.
    const std::string& getFileName() const noexcept { return m_fileName; }
    /// The line at fault, counted from 1; 0 when the whole file is.
    int getLine() const noexcept { return m_line; }

private:
    std::string m_fileName;
    int m_line;
};

struct MsgFileReader
{
    /// The (id, text) pairs of the message file at `path`, in file order.
    static std::vector<std::pair<std::string, std::string>> read(const std::string& path);
    /// The (id, text) pairs of message-file content read from `input`; `fileName` names it in
    /// errors.
    static std::vector<std::pair<std::string, std::string>> parse(std::istream& input, const std::string& fileName);
};

} // namespace Vx
