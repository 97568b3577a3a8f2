// Colour management with OpenColorIO: the configuration, the colour spaces of a run, and the
// conversion of decoded frames.
#include <Vx/Render/ColourManagement.h>

#include <Vx/Render/ImageSequenceSource.h>
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/RenderLimits.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace Vx::Render {

namespace {

namespace fs = std::filesystem;
namespace OCIO = OCIO_NAMESPACE;

std::string lowerExtension(const std::string& path)
{
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// Names as a message lists them: "a", "b", "c".
std::string quotedList(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + inQuotes(name);
    return text;
}

std::vector<std::string> displaysOf(const OCIO::Config& config)
{
    std::vector<std::string> displays;
    for (int i = 0; i < config.getNumDisplays(); ++i)
        displays.emplace_back(config.getDisplay(i));
    return displays;
}

std::vector<std::string> viewsOf(const OCIO::Config& config, const std::string& display)
{
    std::vector<std::string> views;
    for (int i = 0; i < config.getNumViews(display.c_str()); ++i)
        views.emplace_back(config.getView(display.c_str(), i));
    return views;
}

// The pixels converted at once: small enough for the copy to stay in the first-level cache.
constexpr std::size_t kChunkPixels = 512;

// The table of a curve has an entry for each float whose low 16 bits are zero (sign, exponent and
// 7 bits of mantissa: steps of 1/128 of each power of two), and one past the last.
constexpr std::size_t kTableSize = 65537;

float floatFromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint32_t bitsOfFloat(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

std::string ColourConfig::defaultConfigPath(const std::string& executablePath)
{
    std::error_code error;
    fs::path exe = fs::canonical(executablePath, error);
    if (error)
        exe = fs::absolute(executablePath, error);
    return (exe.parent_path().parent_path() / "share" / "ocio" / "config.ocio").string();
}

ColourConfig ColourConfig::load(const std::string& ocioOption, const std::string& executablePath,
                                const std::string& ocioOrigin)
{
    ColourConfig result;
    std::string origin;
    if (!ocioOption.empty()) {
        result.m_path = ocioOption;
        origin = ocioOrigin + " " + inQuotes(ocioOption);
    } else if (const char* environment = std::getenv("OCIO"); environment && *environment) {
        result.m_path = environment;
        origin = "$OCIO " + inQuotes(result.m_path);
    } else {
        result.m_path = defaultConfigPath(executablePath);
        origin = "The colour configuration shipped with kestrin-render, " + inQuotes(result.m_path) + ",";
    }
    try {
        // OpenColorIO reads a folder as an empty file and a missing file with a message of its own;
        // a folder is said plainly.
        std::error_code error;
        if (fs::is_directory(result.m_path, error))
            throw OCIO::Exception("it is a folder, not a file");
        result.m_config = OCIO::Config::CreateFromFile(result.m_path.c_str());
        result.m_config->validate();
    } catch (const OCIO::Exception& e) {
        throw UsageError(origin + ": the colour configuration cannot be loaded: " + e.what());
    }
    return result;
}

std::optional<std::string> ColourConfig::findColourSpace(const std::string& name) const
{
    if (name.empty())
        return std::nullopt;
    const OCIO::ConstColorSpaceRcPtr space = m_config->getColorSpace(name.c_str());
    if (!space)
        return std::nullopt;
    return std::string(space->getName());
}

std::string ColourConfig::getColourSpace(const std::string& name, const std::string& option) const
{
    if (const auto found = findColourSpace(name))
        return *found;
    throw UsageError(option + ": unknown colour space " + inQuotes(name) + " in " + inQuotes(m_path) +
                     "; known: " + describeColourSpaces() + " (roles name them too; --list-colorspaces lists them)");
}

std::string ColourConfig::describeColourSpaces() const
{
    std::string text;
    for (int i = 0; i < m_config->getNumColorSpaces(); ++i) {
        const OCIO::ConstColorSpaceRcPtr space = m_config->getColorSpace(m_config->getColorSpaceNameByIndex(i));
        text += (text.empty() ? "" : ", ") + inQuotes(space->getName());
        std::vector<std::string> aliases;
        for (std::size_t a = 0; a < space->getNumAliases(); ++a)
            aliases.emplace_back(space->getAlias(a));
        if (!aliases.empty())
            text += " (aliases " + quotedList(aliases) + ")";
    }
    return text;
}

void ColourConfig::list(std::ostream& out) const
{
    out << "Colour configuration: " << m_path << "\n";
    out << "Colour spaces [aliases]:\n";
    for (int i = 0; i < m_config->getNumColorSpaces(); ++i) {
        const OCIO::ConstColorSpaceRcPtr space = m_config->getColorSpace(m_config->getColorSpaceNameByIndex(i));
        out << "  " << space->getName();
        for (std::size_t a = 0; a < space->getNumAliases(); ++a)
            out << (a == 0 ? "  [" : ", ") << space->getAlias(a) << (a + 1 == space->getNumAliases() ? "]" : "");
        out << "\n";
    }
    out << "Roles:\n";
    for (int i = 0; i < m_config->getNumRoles(); ++i)
        out << "  " << m_config->getRoleName(i) << ": " << m_config->getRoleColorSpace(i) << "\n";
    out << "Displays: views (--display D --view V):\n";
    for (const std::string& display : displaysOf(*m_config)) {
        const std::vector<std::string> views = viewsOf(*m_config, display);
        out << "  " << display << ":";
        for (std::size_t v = 0; v < views.size(); ++v)
            out << (v == 0 ? " " : ", ") << views[v];
        out << "\n";
    }
}

std::optional<std::string> defaultOutputColourSpace(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    if (extension == ".png" || extension == ".tif" || extension == ".tiff" || extension == ".dpx" ||
        extension == ".jpg" || extension == ".jpeg")
        return std::string("sRGB");
    if (extension == ".mov" || extension == ".mp4" || extension == ".mxf")
        return std::string("Rec709");
    return std::nullopt;
}

std::string defaultInputColourSpace(const OIIO::ImageSpec& spec, const ColourConfig* config)
{
    const std::string attribute = spec.get_string_attribute("oiio:ColorSpace");
    if (!attribute.empty() && (!config || config->findColourSpace(attribute)))
        return attribute;
    // Float files hold scene-linear light; integer files hold display-encoded images.
    return spec.format.is_floating_point() ? OCIO::ROLE_SCENE_LINEAR : "sRGB";
}

std::shared_ptr<const ColourConversion> ColourConversion::choose(const ColourOptions& options,
                                                                 const std::string& executablePath,
                                                                 const OIIO::ImageSpec* firstSpec,
                                                                 const std::string& outputPath)
{
    if (options.colourSpaceOut && (options.display || options.view))
        throw UsageError("--colorspace-out and --display/--view both choose the output's colour: give one or the "
                         "other");
    const bool toDisplay = options.display || options.view;
    const std::optional<std::string> output =
        options.colourSpaceOut
            ? options.colourSpaceOut
            : (toDisplay || outputPath.empty() ? std::nullopt : defaultOutputColourSpace(outputPath));
    // Without options, the usual cases need no configuration: an EXR output, a generated plate,
    // or an input already in the output's space by name (PNG to PNG).
    if (!options.any()) {
        if (!firstSpec || !output)
            return nullptr;
        const std::string input = defaultInputColourSpace(*firstSpec, nullptr);
        if (OIIO::Strutil::iequals(input, *output))
            return nullptr;
    }
    const ColourConfig config = ColourConfig::load(options.ocio, executablePath, options.origins.ocio);
    const std::string source =
        options.colourSpaceIn
            ? config.getColourSpace(*options.colourSpaceIn, options.origins.colourSpaceIn)
            : config.getColourSpace(firstSpec ? defaultInputColourSpace(*firstSpec, &config) : OCIO::ROLE_SCENE_LINEAR,
                                    "The input's colour space (give --colorspace-in)");
    std::string destination;
    std::string display;
    std::string view;
    if (toDisplay) {
        const OCIO::Config& c = *config.getConfig();
        display = options.display ? *options.display : std::string(c.getDefaultDisplay());
        const std::vector<std::string> displays = displaysOf(c);
        if (std::find(displays.begin(), displays.end(), display) == displays.end())
            throw UsageError(options.origins.display + ": unknown display " + inQuotes(display) + " in " +
                             inQuotes(config.getPath()) + "; known: " + quotedList(displays));
        view = options.view ? *options.view : std::string(c.getDefaultView(display.c_str()));
        const std::vector<std::string> views = viewsOf(c, display);
        if (std::find(views.begin(), views.end(), view) == views.end())
            throw UsageError(options.origins.view + ": unknown view " + inQuotes(view) + " of the display " +
                             inQuotes(display) + " in " + inQuotes(config.getPath()) + "; known: " + quotedList(views));
        // A plain view (a colour space, no look or view transform) onto the input's own space
        // changes nothing.
        const char* viewSpace = c.getDisplayViewColorSpaceName(display.c_str(), view.c_str());
        const char* looks = c.getDisplayViewLooks(display.c_str(), view.c_str());
        const char* viewTransform = c.getDisplayViewTransformName(display.c_str(), view.c_str());
        if ((!looks || !*looks) && (!viewTransform || !*viewTransform) && config.findColourSpace(viewSpace) == source)
            return nullptr;
    } else {
        if (!output)
            return nullptr;
        destination = config.getColourSpace(*output, options.colourSpaceOut
                                                         ? options.origins.colourSpaceOut
                                                         : "The output's colour space (give --colorspace-out)");
        if (destination == source)
            return nullptr;
    }
    if (!firstSpec)
        return nullptr;
    return std::make_shared<const ColourConversion>(config, source, destination, display, view);
}

ColourConversion::ColourConversion(const ColourConfig& config, const std::string& source,
                                   const std::string& destination, const std::string& display, const std::string& view)
{
    try {
        const OCIO::ConstProcessorRcPtr processor =
            destination.empty() ? config.getConfig()->getProcessor(source.c_str(), display.c_str(), view.c_str(),
                                                                   OCIO::TRANSFORM_DIR_FORWARD)
                                : config.getConfig()->getProcessor(source.c_str(), destination.c_str());
        m_processor = processor->getOptimizedCPUProcessor(OCIO::OPTIMIZATION_DEFAULT);
        if (!processor->hasChannelCrosstalk()) {
            // Within one power of two a float is linear in its mantissa bits, so interpolating
            // between entries by the low 16 bits is interpolating between neighbouring values.
            std::vector<float> grid(kTableSize * 4);
            for (std::size_t i = 0; i < kTableSize; ++i) {
                const float value = floatFromBits(std::uint32_t(std::min<std::size_t>(i, 0xFFFF)) << 16);
                grid[i * 4] = grid[i * 4 + 1] = grid[i * 4 + 2] = value;
                grid[i * 4 + 3] = 1.0f;
            }
            OCIO::PackedImageDesc image(grid.data(), long(kTableSize), 1, 4);
            m_processor->apply(image);
            m_table.resize(kTableSize * 3);
            for (std::size_t c = 0; c < 3; ++c)
                for (std::size_t i = 0; i < kTableSize; ++i)
                    m_table[c * kTableSize + i] = grid[i * 4 + c];
        }
    } catch (const OCIO::Exception& e) {
        throw UsageError("The colour conversion from " + inQuotes(source) + " to " +
                         (destination.empty() ? "the view " + inQuotes(view) + " of the display " + inQuotes(display)
                                              : inQuotes(destination)) +
                         " cannot be built from " + inQuotes(config.getPath()) + ": " + e.what());
    }
    m_description = source + " -> " + (destination.empty() ? display + " / " + view : destination);
}

void ColourConversion::apply(float* rgba, std::size_t count) const
{
    if (m_table.empty()) {
        OCIO::PackedImageDesc image(rgba, long(count), 1, 4);
        m_processor->apply(image);
        return;
    }
    for (std::size_t p = 0; p < count; ++p)
        for (std::size_t c = 0; c < 3; ++c) {
            float& value = rgba[p * 4 + c];
            const std::uint32_t bits = bitsOfFloat(value);
            const float* entry = &m_table[c * kTableSize + (bits >> 16)];
            const float fraction = float(bits & 0xFFFF) * (1.0f / 65536.0f);
            value = entry[0] + (entry[1] - entry[0]) * fraction;
        }
}

void ColourConversion::convertRGBA(float* rgba, std::size_t count) const
{
    float scratch[kChunkPixels * 4];
    for (std::size_t start = 0; start < count; start += kChunkPixels) {
        const std::size_t n = std::min(kChunkPixels, count - start);
        float* pixels = rgba + start * 4;
        bool opaque = true;
        for (std::size_t p = 0; p < n; ++p)
            opaque &= pixels[p * 4 + 3] == 1.0f;
        if (opaque) {
            apply(pixels, n);
            continue;
        }
        // The curve applies to the colour, not to colour times coverage: divide, convert, multiply.
        for (std::size_t p = 0; p < n; ++p) {
            const float a = pixels[p * 4 + 3];
            const float inverse = a > 0.0f ? 1.0f / a : 1.0f;
            for (int c = 0; c < 3; ++c)
                scratch[p * 4 + std::size_t(c)] = pixels[p * 4 + std::size_t(c)] * inverse;
            scratch[p * 4 + 3] = a;
        }
        apply(scratch, n);
        for (std::size_t p = 0; p < n; ++p) {
            const float a = pixels[p * 4 + 3];
            if (!(a > 0.0f))
                continue;
            for (int c = 0; c < 3; ++c)
                pixels[p * 4 + std::size_t(c)] = scratch[p * 4 + std::size_t(c)] * a;
        }
    }
}

void ColourConversion::convert(SourceFrame& frame) const
{
    const int* rgbaChannels = frame.rgbaChannels;
    const std::size_t channels = std::size_t(frame.spec.nchannels);
    const std::size_t count = frame.pixels.size() / std::max<std::size_t>(channels, 1);
    if (channels == 4 && rgbaChannels[0] == 0 && rgbaChannels[1] == 1 && rgbaChannels[2] == 2 && rgbaChannels[3] == 3) {
        convertRGBA(frame.pixels.data(), count);
        return;
    }
    // Other layouts: R, G, B and A gathered into RGBA a chunk at a time and R, G, B put back.
    std::vector<float> rgba(kChunkPixels * 4);
    for (std::size_t start = 0; start < count; start += kChunkPixels) {
        const std::size_t n = std::min(kChunkPixels, count - start);
        frame.getRGBA(start, n, rgba.data());
        convertRGBA(rgba.data(), n);
        for (std::size_t p = 0; p < n; ++p)
            for (int c = 0; c < 3; ++c)
                if (rgbaChannels[c] >= 0 && rgbaChannels[c] != rgbaChannels[3])
                    frame.pixels[(start + p) * channels + std::size_t(rgbaChannels[c])] = rgba[p * 4 + std::size_t(c)];
    }
}

} // namespace Vx::Render
