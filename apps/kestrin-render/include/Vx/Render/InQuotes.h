// How kestrin-render's messages show a name, a path or a value: in double quotes.
#pragma once

#include <string>

namespace Vx::Render {

/// `text` in double quotes, as messages show file names, input names and values.
inline std::string inQuotes(const std::string& text)
{
    return "\"" + text + "\"";
}

} // namespace Vx::Render
