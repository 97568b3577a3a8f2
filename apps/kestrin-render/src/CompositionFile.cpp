// Reading and writing composition files.
#include <Vx/Render/CompositionFile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <type_traits>
#include <unistd.h>

namespace Vx::Render {

namespace {

using json = nlohmann::ordered_json;

[[noreturn]] void fail(const std::string& path, const std::string& what)
{
    throw CompositionFileError("Composition \"" + path + "\": " + what);
}

// Line and column (both from 1) of byte `offset` of `text`.
std::pair<std::size_t, std::size_t> lineColumn(const std::string& text, std::size_t offset)
{
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return {line, column};
}

void checkKeys(const json& object, const std::set<std::string>& allowed, const std::string& where,
               const std::string& path)
{
    if (!object.is_object())
        fail(path, where + " must be an object");
    for (const auto& item : object.items())
        if (!allowed.count(item.key()))
            fail(path, "unknown key \"" + item.key() + "\" in " + where);
}

template <class T>
T get(const json& object, const char* key, const T& fallback, const std::string& where, const std::string& path)
{
    const auto it = object.find(key);
    if (it == object.end())
        return fallback;
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
        // The library would convert a fraction, or a number beyond T, without a word (and a
        // double beyond T is undefined behaviour): whole numbers within T only.
        constexpr T low = std::numeric_limits<T>::min();
        constexpr T high = std::numeric_limits<T>::max();
        const bool fits = it->is_number_unsigned() ? it->template get<std::uint64_t>() <= std::uint64_t(high)
                          : it->is_number_integer()
                              ? it->template get<std::int64_t>() >= low && it->template get<std::int64_t>() <= high
                              : false;
        if (it->is_number() && !fits)
            fail(path, "\"" + std::string(key) + "\" in " + where + " must be a whole number from " +
                           std::to_string(low) + " to " + std::to_string(high) + ", not " + it->dump());
    }
    try {
        return it->get<T>();
    } catch (const json::exception&) {
        fail(path, "\"" + std::string(key) + "\" in " + where + " has the wrong type");
    }
}

std::vector<std::pair<std::string, json>> namedValues(const json& node, const char* key, const std::string& where,
                                                      const std::string& path)
{
    std::vector<std::pair<std::string, json>> values;
    const auto it = node.find(key);
    if (it == node.end())
        return values;
    if (!it->is_object())
        fail(path, "\"" + std::string(key) + "\" of " + where + " must be an object");
    for (const auto& item : it->items())
        values.emplace_back(item.key(), item.value());
    return values;
}

bool isUtf8(const std::string& text)
{
    try {
        (void)json(text).dump();
        return true;
    } catch (const json::type_error&) {
        return false;
    }
}

// Where in `value` the first text (key or string) that is not UTF-8 sits, as "/nodes/0/inputs/Text";
// empty when every text is UTF-8.
std::string findNonUtf8(const json& value, const std::string& where)
{
    if (value.is_string())
        return isUtf8(value.get_ref<const std::string&>()) ? std::string() : where;
    if (value.is_object()) {
        for (const auto& item : value.items()) {
            const std::string at = where + "/" + item.key();
            if (!isUtf8(item.key()))
                return at;
            if (std::string found = findNonUtf8(item.value(), at); !found.empty())
                return found;
        }
    }
    if (value.is_array())
        for (std::size_t i = 0; i < value.size(); ++i)
            if (std::string found = findNonUtf8(value[i], where + "/" + std::to_string(i)); !found.empty())
                return found;
    return {};
}

} // namespace

NodeDoc* CompositionDoc::findNode(const std::string& nodeName)
{
    for (NodeDoc& node : nodes)
        if (node.name == nodeName)
            return &node;
    return nullptr;
}

CompositionDoc parseComposition(const std::string& text, const std::string& path)
{
    json root;
    try {
        // Keys keep their file order, so that inputs are applied in the order they were written.
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        const auto [line, column] = lineColumn(text, e.byte == 0 ? 0 : e.byte - 1);
        std::string reason = e.what();
        const auto colon = reason.rfind(": ");
        if (colon != std::string::npos)
            reason = reason.substr(colon + 2);
        fail(path,
             "syntax error at line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + reason);
    } catch (const json::out_of_range& e) {
        // A number beyond a double ("1e600"): the library says which, not where.
        std::string reason = e.what();
        const auto bracket = reason.find("] ");
        if (bracket != std::string::npos)
            reason = reason.substr(bracket + 2);
        fail(path, reason);
    }
    checkKeys(root, {"name", "version", "fps", "range", "attributes", "nodes", "connections", "output"},
              "the composition", path);

    CompositionDoc doc;
    doc.name = get<std::string>(root, "name", doc.name, "the composition", path);
    if (root.contains("version")) {
        const json& v = root["version"];
        checkKeys(v, {"name", "number"}, "\"version\"", path);
        doc.versionName = get<std::string>(v, "name", doc.versionName, "\"version\"", path);
        doc.versionNumber = get<int>(v, "number", doc.versionNumber, "\"version\"", path);
    }
    if (root.contains("fps")) {
        const json& fps = root["fps"];
        if (fps.is_string())
            doc.fps = fps.get<std::string>();
        else if (fps.is_number())
            doc.fps = fps.dump();
        else
            fail(path, "\"fps\" must be a number or a text such as \"24000/1001\"");
    }
    if (root.contains("range")) {
        const json& r = root["range"];
        checkKeys(r, {"first", "last"}, "\"range\"", path);
        doc.first = get<std::int64_t>(r, "first", doc.first, "\"range\"", path);
        doc.last = get<std::int64_t>(r, "last", doc.first, "\"range\"", path);
        if (doc.last < doc.first)
            fail(path, "the range ends (" + std::to_string(doc.last) + ") before it starts (" +
                           std::to_string(doc.first) + ")");
    }
    if (root.contains("attributes")) {
        const json& a = root["attributes"];
        if (!a.is_object())
            fail(path, "\"attributes\" must be an object of texts");
        for (const auto& item : a.items()) {
            // As the composition accepts them: "<attr:NAME>" ends at the first '>'.
            if (item.key().empty() || item.key().find('>') != std::string::npos)
                fail(path, "the attribute name \"" + item.key() + "\" must not be empty nor hold '>'");
            if (!item.value().is_string())
                fail(path, "the attribute \"" + item.key() + "\" must be a text");
            doc.attributes[item.key()] = item.value().get<std::string>();
        }
    }
    if (root.contains("nodes")) {
        if (!root["nodes"].is_array())
            fail(path, "\"nodes\" must be a list");
        for (const json& n : root["nodes"]) {
            checkKeys(n, {"name", "tool", "file", "inputs", "stored"}, "a node", path);
            NodeDoc node;
            node.name = get<std::string>(n, "name", "", "a node", path);
            if (node.name.empty())
                fail(path, "a node has no \"name\"");
            const std::string where = "the node \"" + node.name + "\"";
            if (doc.findNode(node.name))
                fail(path, "two nodes are named \"" + node.name + "\"");
            node.tool = get<std::string>(n, "tool", "", where, path);
            if (node.tool.empty())
                fail(path, where + " has no \"tool\"");
            node.file = get<std::string>(n, "file", "", where, path);
            node.inputs = namedValues(n, "inputs", where, path);
            node.stored = namedValues(n, "stored", where, path);
            doc.nodes.push_back(std::move(node));
        }
    }
    if (root.contains("connections")) {
        if (!root["connections"].is_array())
            fail(path, "\"connections\" must be a list");
        for (const json& c : root["connections"]) {
            checkKeys(c, {"from", "to", "input"}, "a connection", path);
            ConnectionDoc connection{get<std::string>(c, "from", "", "a connection", path),
                                     get<std::string>(c, "to", "", "a connection", path),
                                     get<std::string>(c, "input", "Input", "a connection", path)};
            for (const std::string* end : {&connection.from, &connection.to})
                if (!doc.findNode(*end))
                    fail(path, "a connection names the node \"" + *end + "\", which does not exist");
            doc.connections.push_back(std::move(connection));
        }
    }
    doc.output = get<std::string>(root, "output", "", "the composition", path);
    return doc;
}

CompositionDoc readCompositionFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail(path, std::string("cannot be read: ") + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    return parseComposition(text.str(), path);
}

std::string formatComposition(const CompositionDoc& doc)
{
    nlohmann::ordered_json root;
    root["name"] = doc.name;
    root["version"] = {{"name", doc.versionName}, {"number", doc.versionNumber}};
    root["fps"] = doc.fps;
    root["range"] = {{"first", doc.first}, {"last", doc.last}};
    root["attributes"] = nlohmann::ordered_json::object();
    for (const auto& [key, value] : doc.attributes)
        root["attributes"][key] = value;
    root["nodes"] = nlohmann::ordered_json::array();
    for (const NodeDoc& node : doc.nodes) {
        nlohmann::ordered_json n;
        n["name"] = node.name;
        n["tool"] = node.tool;
        if (!node.file.empty())
            n["file"] = node.file;
        if (!node.inputs.empty()) {
            n["inputs"] = nlohmann::ordered_json::object();
            for (const auto& [key, value] : node.inputs)
                n["inputs"][key] = value;
        }
        if (!node.stored.empty()) {
            n["stored"] = nlohmann::ordered_json::object();
            for (const auto& [key, value] : node.stored)
                n["stored"][key] = value;
        }
        root["nodes"].push_back(std::move(n));
    }
    root["connections"] = nlohmann::ordered_json::array();
    for (const ConnectionDoc& c : doc.connections)
        root["connections"].push_back({{"from", c.from}, {"to", c.to}, {"input", c.input}});
    if (!doc.output.empty())
        root["output"] = doc.output;
    // A text holds bytes (0x80 to 0xFF are Latin-1 characters), JSON only UTF-8.
    if (const std::string where = findNonUtf8(root, ""); !where.empty())
        throw CompositionFileError("the text at \"" + where +
                                   "\" is not UTF-8, and a composition file holds UTF-8 text only");
    return root.dump(2) + "\n";
}

void writeCompositionFile(const CompositionDoc& doc, const std::string& path)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const fs::path temporary = folder / ("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()));
    std::string text;
    try {
        text = formatComposition(doc);
    } catch (const CompositionFileError& e) {
        fail(path, std::string("cannot be written: ") + e.what());
    }
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            fail(path, "cannot be written: " + std::string(std::strerror(errno)));
        out << text;
        out.flush();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            fail(path, "cannot be written: " + std::string(std::strerror(errno)));
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        fail(path, "cannot be written: " + error.message());
    }
}

} // namespace Vx::Render
