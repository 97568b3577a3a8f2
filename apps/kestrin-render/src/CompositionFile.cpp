// Reading and writing composition files.
#include <Vx/Render/CompositionFile.h>

#include <Vx/Li/LiUtf8.h>
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/JsonDocumentReader.h>
#include <Vx/Render/TemporaryFile.h>

#include <algorithm>
#include <cctype>
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

/// A file that cannot be written is a failure of the system, not a mistake in the document.
[[noreturn]] void failWrite(const std::string& path, const std::string& why)
{
    throw std::runtime_error("Composition \"" + path + "\": cannot be written: " + why);
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
        // The library converts integers that do not fit by wrapping them around.
        const bool fits = (it->is_number_unsigned() &&
                           it->template get<std::uint64_t>() <= std::uint64_t(std::numeric_limits<T>::max())) ||
                          (it->is_number_integer() && !it->is_number_unsigned() &&
                           it->template get<std::int64_t>() >= std::int64_t(std::numeric_limits<T>::min()) &&
                           it->template get<std::int64_t>() <= std::int64_t(std::numeric_limits<T>::max()));
        if (!it->is_number())
            fail(path, "\"" + std::string(key) + "\" in " + where + " has the wrong type");
        if (!it->is_number_integer())
            fail(path, "\"" + std::string(key) + "\" in " + where + " takes a whole number, not " + it->dump());
        if (!fits)
            fail(path, "\"" + std::string(key) + "\" in " + where + " takes a whole number from " +
                           std::to_string(std::numeric_limits<T>::min()) + " to " +
                           std::to_string(std::numeric_limits<T>::max()) + ", not " + it->dump());
        return it->template get<T>();
    } else {
        try {
            return it->template get<T>();
        } catch (const json::exception&) {
            fail(path, "\"" + std::string(key) + "\" in " + where + " has the wrong type");
        }
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

constexpr int kNumberOverflow = 406; // the library's error id for a number beyond a double

/// The offset of the byte a parse fault is about: the first byte of an out-of-range number, else
/// the byte the parser stopped at.
std::size_t faultStart(const std::string& text, const JsonParseFault& fault)
{
    if (fault.id == kNumberOverflow && fault.lastToken.size() <= fault.position)
        return fault.position - fault.lastToken.size();
    const std::size_t at = std::min(fault.position == 0 ? 0 : fault.position - 1, text.size());
    // On broken UTF-8 the parser may stop on the plain byte after the one that opened the sequence.
    if (fault.message.find("ill-formed UTF-8") != std::string::npos && at > 0 && at < text.size() &&
        static_cast<unsigned char>(text[at]) < 0x80 && static_cast<unsigned char>(text[at - 1]) >= 0x80)
        return at - 1;
    return at;
}

/// `text` with bytes that are not printable ASCII written as \xNN, so that an error message
/// stays readable whatever the file holds.
std::string printable(const std::string& text)
{
    std::string shown;
    for (const unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += char(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(c));
            shown += hex;
        }
    }
    return shown;
}

bool isDelimiter(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) || std::strchr(",:[]{}\"", c) != nullptr;
}

/// The word of `text` at or just before `offset` (a misspelt literal such as NaN or tru).
std::string wordAt(const std::string& text, std::size_t offset)
{
    if (text.empty())
        return {};
    std::size_t i = std::min(offset, text.size() - 1);
    if (isDelimiter(text[i]) && i > 0 && !isDelimiter(text[i - 1]))
        --i;
    std::size_t first = i;
    std::size_t last = i;
    while (first > 0 && !isDelimiter(text[first - 1]) && i - first < 32)
        --first;
    while (last < text.size() && !isDelimiter(text[last]) && last - i < 32)
        ++last;
    return text.substr(first, last - first);
}

/// Why parsing stopped, in words of our own: the library's description without the raw bytes it
/// quotes ("last read: ..."), and plain sentences for the mistakes people make most.
std::string describeParseError(const std::string& text, const JsonParseFault& fault)
{
    if (fault.id == kNumberOverflow)
        return "the number " + printable(fault.lastToken) + " is too large (numbers run to about 1.8e308 in magnitude)";
    std::string reason = fault.message;
    const auto dash = reason.find(" - ");
    if (dash != std::string::npos)
        reason = reason.substr(dash + 3);
    std::string expected;
    const auto lastRead = reason.find("; last read: '");
    if (lastRead != std::string::npos) {
        const auto expect = reason.rfind("'; expected ");
        if (expect != std::string::npos && expect > lastRead)
            expected = reason.substr(expect + 1);
        reason = reason.substr(0, lastRead);
    }
    const std::size_t at = faultStart(text, fault);
    if (reason == "invalid literal" || reason.compare(0, 14, "invalid number") == 0)
        return "\"" + printable(wordAt(text, at)) +
               "\" is not a JSON value (numbers are written with digits, texts in double quotes; "
               "there is no NaN or Infinity)" +
               expected;
    if (reason.find("ill-formed UTF-8") != std::string::npos && at < text.size()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X", unsigned(static_cast<unsigned char>(text[at])));
        return std::string("a text holds the byte 0x") + hex + ", which is not UTF-8 (composition files are UTF-8)";
    }
    return printable(reason + expected);
}

/// Arrays and objects may nest kCompositionNestingLimit deep: deeper documents are refused before they are
/// parsed, with the line and column where the limit is passed, because copying and comparing
/// values descends recursively and a hostile file could exhaust the stack.
void checkNesting(const std::string& text, const std::string& path)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kCompositionNestingLimit) {
                const auto [line, column] = lineColumn(text, i);
                fail(path, "line " + std::to_string(line) + ", column " + std::to_string(column) +
                               ": arrays and objects nest more than " + std::to_string(kCompositionNestingLimit) +
                               " levels deep");
            }
        } else if (c == ']' || c == '}') {
            depth = std::max(0, depth - 1);
        }
    }
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

// `value` with every text (key or string) as UTF-8: a byte that is not part of a well-formed
// sequence is written as its Latin-1 character, which is how the text reads and renders, so the
// file loads back to the same characters.
json textAsUtf8(const json& value)
{
    if (value.is_string())
        return LiUtf8::toUtf8(value.get_ref<const std::string&>());
    if (value.is_object()) {
        // Appended in order, without the object's look-up of every key along the ones before it.
        json object = json::object();
        auto& members = static_cast<std::vector<json::object_t::value_type>&>(object.get_ref<json::object_t&>());
        bool renamed = false;
        for (const auto& [key, item] : value.get_ref<const json::object_t&>()) {
            std::string name = LiUtf8::toUtf8(key);
            renamed = renamed || name != key;
            members.emplace_back(std::move(name), textAsUtf8(item));
        }
        // "caf\xE9" and "café" are two names that read the same: a file cannot hold both.
        if (renamed) {
            std::set<std::string> seen;
            for (const auto& member : members)
                if (!seen.insert(member.first).second)
                    throw CompositionFileError("two names read as \"" + member.first +
                                               "\", one of them with bytes that are not UTF-8, and a composition "
                                               "file holds each name once");
        }
        return object;
    }
    if (value.is_array()) {
        json array = json::array();
        for (const json& item : value)
            array.push_back(textAsUtf8(item));
        return array;
    }
    return value;
}

/// The "movie" object: a codec kestrin-render writes, and a constant rate factor in h264's range
/// (for h264 alone when the codec is named).
void parseMovie(const json& movie, CompositionDoc& doc, const std::string& path)
{
    checkKeys(movie, {"codec", "crf"}, "\"movie\"", path);
    if (movie.contains("codec")) {
        const std::string name = get<std::string>(movie, "codec", "", "\"movie\"", path);
        doc.codec = findMovieCodec(name);
        if (!doc.codec)
            fail(path, "\"movie\": \"codec\" is " + inQuotes(name) + ": use " + describeMovieCodecs());
    }
    if (movie.contains("crf")) {
        doc.crf = get<int>(movie, "crf", kDefaultCrf, "\"movie\"", path);
        if (*doc.crf < 0 || *doc.crf > kMaxCrf)
            fail(path, "\"movie\": \"crf\" is " + std::to_string(*doc.crf) + ": use 0 (lossless) to " +
                           std::to_string(kMaxCrf) + " (smallest), default " + std::to_string(kDefaultCrf));
        if (doc.codec && *doc.codec != MovieCodec::H264)
            fail(path, std::string("\"movie\": \"crf\" is h264's constant rate factor, and the codec is ") +
                           getMovieCodecName(*doc.codec));
    }
}

/// The "colour" object: names as the options take them, not empty; the output's colour chosen
/// once, as a colour space or as a display and view.
void parseColour(const json& colour, CompositionDoc& doc, const std::string& path)
{
    checkKeys(colour, {"ocio", "in", "out", "display", "view"}, "\"colour\"", path);
    const auto text = [&](const char* key) -> std::optional<std::string> {
        if (!colour.contains(key))
            return std::nullopt;
        const std::string value = get<std::string>(colour, key, "", "\"colour\"", path);
        if (value.empty())
            fail(path, "\"colour\": \"" + std::string(key) + "\" is empty: give a name or leave the key out");
        return value;
    };
    doc.colour.ocio = text("ocio").value_or("");
    doc.colour.colourSpaceIn = text("in");
    doc.colour.colourSpaceOut = text("out");
    doc.colour.display = text("display");
    doc.colour.view = text("view");
    if (doc.colour.colourSpaceOut && (doc.colour.display || doc.colour.view))
        fail(path, "\"colour\": \"out\" and \"display\"/\"view\" both choose the output's colour: keep one or "
                   "the other");
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
    checkNesting(text, path);
    json root;
    // Keys keep their file order, so that inputs are applied in the order they were written.
    JsonParseFault fault;
    if (!parseOrderedJson(text, root, fault)) {
        const std::string reason = describeParseError(text, fault);
        const auto [line, column] = lineColumn(text, faultStart(text, fault));
        fail(path,
             "syntax error at line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + reason);
    }
    checkKeys(root,
              {"name", "version", "fps", "range", "attributes", "timecode", "nodes", "connections", "output", "movie",
               "colour"},
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
    if (root.contains("timecode")) {
        const json& t = root["timecode"];
        checkKeys(t, {"start", "from", "dropFrame"}, "\"timecode\"", path);
        doc.startTimecode = get<std::string>(t, "start", "", "\"timecode\"", path);
        const std::string from = get<std::string>(t, "from", "", "\"timecode\"", path);
        if (!from.empty() && from != "input")
            fail(path, "\"timecode\": \"from\" is \"" + from +
                           "\": the only source is \"input\" (each frame's header timecode)");
        doc.timecodeFromInput = from == "input";
        doc.dropFrame = get<bool>(t, "dropFrame", true, "\"timecode\"", path);
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
    if (root.contains("movie"))
        parseMovie(root["movie"], doc, path);
    if (root.contains("colour"))
        parseColour(root["colour"], doc, path);
    return doc;
}

CompositionDoc readCompositionFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        fail(path, "is a folder, not a composition file");
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
    // The names come sorted and unique from the map: appended as they are, without the object's
    // lookup of every key along the ones before it.
    auto& attributes = static_cast<std::vector<nlohmann::ordered_json::object_t::value_type>&>(
        (root["attributes"] = nlohmann::ordered_json::object()).get_ref<nlohmann::ordered_json::object_t&>());
    for (const auto& [key, value] : doc.attributes)
        attributes.emplace_back(key, value);
    // Written only when it differs from the default count, so that files without it stay as
    // they were.
    if (!doc.startTimecode.empty() || doc.timecodeFromInput || !doc.dropFrame) {
        nlohmann::ordered_json& timecode = root["timecode"] = nlohmann::ordered_json::object();
        if (!doc.startTimecode.empty())
            timecode["start"] = doc.startTimecode;
        if (doc.timecodeFromInput)
            timecode["from"] = "input";
        if (!doc.dropFrame)
            timecode["dropFrame"] = false;
    }
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
    root = textAsUtf8(root);
    // File names are bytes the system looks files up by: written as anything else they would
    // name another file, so one that is not UTF-8 cannot be saved.
    if (!doc.output.empty())
        root["output"] = doc.output;
    // Written only when given, so that files without them stay as they were and a movie takes
    // its container's default codec.
    if (doc.codec || doc.crf) {
        nlohmann::ordered_json& movie = root["movie"] = nlohmann::ordered_json::object();
        if (doc.codec)
            movie["codec"] = getMovieCodecName(*doc.codec);
        if (doc.crf)
            movie["crf"] = *doc.crf;
    }
    const ColourOptions& colour = doc.colour;
    if (!colour.ocio.empty() || colour.any()) {
        // The configuration is a file name: written as it stands, as the other file names are.
        nlohmann::ordered_json& written = root["colour"] = nlohmann::ordered_json::object();
        if (!colour.ocio.empty())
            written["ocio"] = colour.ocio;
        const std::pair<const char*, const std::optional<std::string>*> names[] = {{"in", &colour.colourSpaceIn},
                                                                                   {"out", &colour.colourSpaceOut},
                                                                                   {"display", &colour.display},
                                                                                   {"view", &colour.view}};
        for (const auto& [key, value] : names)
            if (*value)
                written[key] = LiUtf8::toUtf8(**value);
    }
    for (std::size_t i = 0; i < doc.nodes.size(); ++i)
        if (!doc.nodes[i].file.empty())
            root["nodes"][i]["file"] = doc.nodes[i].file;
    if (const std::string where = findNonUtf8(root, ""); !where.empty())
        throw CompositionFileError("the file name at \"" + where +
                                   "\" is not UTF-8, and a composition file holds UTF-8 text only");
    return root.dump(2) + "\n";
}

void writeCompositionFile(const CompositionDoc& doc, const std::string& path)
{
    // The text first: a composition that cannot be written as JSON leaves no file behind.
    const std::string text = formatComposition(doc);
    try {
        TemporaryFile file(path);
        file.write(text.data(), text.size());
        file.commit();
    } catch (const TemporaryFileError& e) {
        failWrite(path, e.getReason());
    }
}

} // namespace Vx::Render
