// String services: number formatting and pattern substitution.
#pragma once

#include <Vx/Cb/CbHandler.h>
#include <Vx/RC/RCShdPtr.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Vx {

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
    /// length of the text for a given set of patterns.
    std::string substitute(const std::string& text) const;
    bool isEmpty() const { return m_patterns.empty(); }

private:
    std::vector<std::pair<std::string, RCShdPtr<Handler>>> m_patterns;
};

} // namespace Vx
