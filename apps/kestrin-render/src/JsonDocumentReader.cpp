// A SAX handler that builds an ordered_json document with one hash index per open object.
#include <Vx/Render/JsonDocumentReader.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Vx::Render {

namespace {

using json = nlohmann::ordered_json;

class IndexedDomBuilder
{
public:
    /// With a `fault`, a parse error is recorded there and parsing stops; without, the
    /// parser's own exception is thrown.
    IndexedDomBuilder(json& root, JsonParseFault* fault) : m_root(root), m_fault(fault) {}

    bool null() { return add(nullptr); }
    bool boolean(bool value) { return add(value); }
    bool number_integer(json::number_integer_t value) { return add(value); }
    bool number_unsigned(json::number_unsigned_t value) { return add(value); }
    bool number_float(json::number_float_t value, const json::string_t&) { return add(value); }
    bool string(json::string_t& value) { return add(std::move(value)); }
    bool binary(json::binary_t& value) { return add(json::binary(std::move(value))); }

    bool start_object(std::size_t)
    {
        m_open.push_back({add(json::object()), {}});
        return true;
    }
    bool key(json::string_t& name)
    {
        // The object's storage is a vector of (key, value); keys are appended, a repeated key
        // finds its first place through the index.
        Open& open = m_open.back();
        auto& members = static_cast<std::vector<json::object_t::value_type>&>(open.value->get_ref<json::object_t&>());
        const auto [found, added] = open.index.try_emplace(name, members.size());
        if (added)
            members.emplace_back(std::move(name), nullptr);
        m_member = &members[found->second].second;
        return true;
    }
    bool end_object()
    {
        m_open.pop_back();
        return true;
    }
    bool start_array(std::size_t)
    {
        m_open.push_back({add(json::array()), {}});
        return true;
    }
    bool end_array()
    {
        m_open.pop_back();
        return true;
    }
    // The parser hands over the exception of its own type (parse_error, out_of_range).
    template <class Exception>
    bool parse_error(std::size_t position, const std::string& lastToken, const Exception& error)
    {
        if (!m_fault)
            throw error;
        *m_fault = JsonParseFault{position, lastToken, error.what(), error.id};
        return false;
    }

private:
    struct Open
    {
        json* value;
        std::unordered_map<std::string, std::size_t> index; // objects only
    };

    // Places `value` where the parser is: the root, the end of the open array, or the member
    // whose key was read last. Returns where it went, which stays put while it is open.
    template <class Value> json* add(Value&& value)
    {
        if (m_open.empty()) {
            m_root = json(std::forward<Value>(value));
            return &m_root;
        }
        json& parent = *m_open.back().value;
        if (parent.is_array()) {
            auto& items = parent.get_ref<json::array_t&>();
            items.emplace_back(std::forward<Value>(value));
            return &items.back();
        }
        *m_member = json(std::forward<Value>(value));
        return m_member;
    }

    json& m_root;
    JsonParseFault* m_fault;
    std::vector<Open> m_open;
    json* m_member = nullptr;
};

} // namespace

nlohmann::ordered_json parseOrderedJson(const std::string& text)
{
    json root;
    IndexedDomBuilder builder(root, nullptr);
    json::sax_parse(text, &builder);
    return root;
}

bool parseOrderedJson(const std::string& text, nlohmann::ordered_json& document, JsonParseFault& fault)
{
    IndexedDomBuilder builder(document, &fault);
    return json::sax_parse(text, &builder);
}

} // namespace Vx::Render
