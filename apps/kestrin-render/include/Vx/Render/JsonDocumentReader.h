// Parsing JSON texts into order-keeping documents in time linear in the number of keys.
//
// nlohmann's ordered_json keeps an object's keys in file order by storing them in a vector, and
// its own parser inserts every key through a lookup along that vector: an object of a million
// keys (a composition's attributes) takes minutes to read. parseOrderedJson builds the same
// document, with the same key order and the same rule for a repeated key (the later value
// replaces the earlier one, at the earlier one's place), looking keys up in a hash index kept only
// while each object is being read. Any thread; no state between calls.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>

namespace Vx::Render {

/// The document of `text`, as nlohmann::ordered_json::parse would give it. Throws
/// nlohmann::json::parse_error, with the byte position of the fault, for a text that is not JSON.
nlohmann::ordered_json parseOrderedJson(const std::string& text);

/// Where and why parsing stopped: the parser's position (one past the byte it stopped at), the
/// last token it read, the library's message and its error id.
struct JsonParseFault
{
    std::size_t position = 0;
    std::string lastToken;
    std::string message;
    int id = 0;
};

/// As above, without throwing: fills `document` and returns true, or fills `fault` and returns
/// false for a text that is not JSON.
bool parseOrderedJson(const std::string& text, nlohmann::ordered_json& document, JsonParseFault& fault);

} // namespace Vx::Render
