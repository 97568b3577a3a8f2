// String services: the host's string type, number formatting and pattern substitution.
//
// LiString is the text the host's services take and edit in place (attribute references,
// message texts); it holds UTF-8 bytes and converts to and from std::string without loss.
// Values, not shared: each thread uses its own.
#pragma once

#include <Vx/Cb/CbHandler.h>
#include <Vx/RC/RCShdPtr.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Vx {

/// A text of the host, built from a std::string and given back as one.
class LiString
{
public:
    LiString() = default;
    /// Takes a copy of `text`; implicit, so a std::string can be passed where a LiString is read.
    LiString(std::string text) : m_text(std::move(text)) {}
    LiString(const char* text) : m_text(text ? text : "") {}

    /// The text as a std::string.
    const std::string& str() const { return m_text; }
    /// The text, for services that edit it in place.
    std::string& str() { return m_text; }
    operator const std::string&() const { return m_text; }
    const char* c_str() const { return m_text.c_str(); }

    /// The length in bytes.
    std::size_t size() const { return m_text.size(); }
    bool isEmpty() const { return m_text.empty(); }

    friend bool operator==(const LiString& a, const LiString& b) { return a.m_text == b.m_text; }
    friend bool operator!=(const LiString& a, const LiString& b) { return a.m_text != b.m_text; }

private:
    std::string m_text;
};

struct LiStringUtil
{
    /// Plain decimal, a '-' for negatives, no grouping: 1001 gives "1001".
    static std::string convertNb(int value);
    static std::string convertNb(std::int64_t value);
};

/// Replaces registered patterns in a text by what their handlers return.
///
/// substitute() scans the text once from left to right; at each position the patterns are tried
/// in the order they were added and the first that matches is replaced, the scan going on after
/// it. Replacements are not scanned again, and everything else is left as it is. A handler is
/// called once per occurrence. Not shared between threads: each user makes its own.
class LiStringSubstituter
{
public:
    using Handler = CbHandler<std::string>;

    /// Registers `pattern` (not empty) and the handler that yields its replacement. Throws
    /// std::invalid_argument for an empty pattern or an empty handler.
    void addPattern(const std::string& pattern, const RCShdPtr<Handler>& handler);
    /// `text` with every occurrence of the registered patterns replaced, in time linear in the
    /// length of the text for a given set of patterns. The result may not grow beyond
    /// `maxLength` bytes (nor beyond the length of `text`, when that is longer): the scan stops
    /// at the first replacement that would pass the bound and throws std::length_error, so the
    /// time and memory spent stay within the bound whatever the handlers return.
    std::string substitute(const std::string& text, std::size_t maxLength = std::string::npos) const;

    /// The message of the std::length_error thrown when substitution passes `maxLength` bytes.
    static std::string describeTooLong(std::size_t maxLength);
    bool isEmpty() const { return m_patterns.empty(); }

private:
    std::vector<std::pair<std::string, RCShdPtr<Handler>>> m_patterns;
};

} // namespace Vx
