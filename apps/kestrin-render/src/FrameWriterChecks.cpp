// The checks made on outputs before a render starts, and the format of a path: the part of
// FrameWriter that the program itself runs (the rest is in the image I/O library, see ImageIO.h).
#include <Vx/Render/FrameWriter.h>
#include <Vx/Render/InQuotes.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <unordered_map>

#include <stdlib.h>
#include <unistd.h>

namespace Vx::Render {

namespace fs = std::filesystem;

namespace {

std::string lowerFirst(std::string s)
{
    if (!s.empty())
        s[0] = char(std::tolower(static_cast<unsigned char>(s[0])));
    return s;
}

std::string lowerExtension(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

std::string FrameWriter::formatForPath(const std::string& path)
{
    static const std::unordered_map<std::string, std::string> kFormats = {
        {".exr", "openexr"}, {".png", "png"},  {".tif", "tiff"},  {".tiff", "tiff"},
        {".dpx", "dpx"},     {".jpg", "jpeg"}, {".jpeg", "jpeg"},
    };
    const auto it = kFormats.find(lowerExtension(path));
    return it == kFormats.end() ? std::string() : it->second;
}

void FrameWriter::checkWritableFolder(const std::string& folder)
{
    const std::string shown = folder.empty() ? "." : folder;
    std::error_code ec;
    const fs::file_status status = fs::status(shown, ec);
    if (!fs::exists(status))
        throw std::runtime_error("Output folder " + inQuotes(shown) + " does not exist");
    if (!fs::is_directory(status))
        throw std::runtime_error("Output folder " + inQuotes(shown) + " is not a folder");
    // Permissions bits alone do not tell (root, ACLs, read-only mounts): try to create a file.
    std::string probe = (fs::path(shown) / ".kestrin-render-probe-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        throw std::runtime_error("Output folder " + inQuotes(shown) + " is not writable: " + std::strerror(errno));
    ::close(fd);
    ::unlink(probe.c_str());
}

void FrameWriter::checkNoOverwrite(const FramePattern& input, const FrameRange& inputFrames, const FramePattern& output,
                                   const FrameRange& outputFrames)
{
    // Paths are compared by where they lead: "./a/../in.#.exr" and a symbolic link to the input
    // folder name the same files.
    const auto resolve = [](const fs::path& path) {
        std::error_code ec;
        fs::path resolved = fs::weakly_canonical(fs::absolute(path, ec), ec);
        return ec ? fs::absolute(path).lexically_normal() : resolved;
    };
    const auto fail = [&](std::int64_t frame, std::int64_t inputFrame) {
        throw std::runtime_error(std::string(describeRole(output.role())) + " " + inQuotes(output.text()) +
                                 " would overwrite frames of " + lowerFirst(describeRole(input.role())) + " " +
                                 inQuotes(input.text()) + " (frame " + std::to_string(frame) + " is written to " +
                                 inQuotes(output.path(frame)) + ", input frame " + std::to_string(inputFrame) + ")");
    };
    // Ranges may hold billions of frames: the patterns are compared first, and frames are visited
    // only when the names could meet. With the frame number in the file name (not in a folder),
    // two patterns in different folders, or whose fixed parts of the name differ, never meet.
    const bool numberInName =
        input.suffix().find('/') == std::string::npos && output.suffix().find('/') == std::string::npos;
    if (numberInName) {
        const fs::path in(input.prefix() + "0");
        const fs::path out(output.prefix() + "0");
        if (resolve(in.parent_path()) != resolve(out.parent_path()))
            return;
        // Names are prefix + number + suffix, numbers made of digits and "-": the fixed parts
        // must agree up to the shorter one's length for any two names to be equal.
        const std::string inPrefix = in.filename().string();
        const std::string outPrefix = out.filename().string();
        const std::size_t p = std::min(inPrefix.size(), outPrefix.size()) - 1; // without the "0"
        const std::size_t q = std::min(input.suffix().size(), output.suffix().size());
        if (inPrefix.compare(0, p, outPrefix, 0, p) != 0 ||
            input.suffix().compare(input.suffix().size() - q, q, output.suffix(), output.suffix().size() - q, q) != 0)
            return;
    }
    // Each output path is read back as a frame of the input pattern; the first output frame whose
    // path is an input frame's is reported.
    for (std::uint64_t i = 0; i < outputFrames.size(); ++i) {
        const std::int64_t frame = outputFrames.at(i);
        const std::string target = output.path(frame);
        if (numberInName) {
            const std::string name = fs::path(target).filename().string();
            const std::string inName = fs::path(input.prefix() + "0").filename().string();
            const std::size_t prefixSize = inName.size() - 1;
            if (name.size() <= prefixSize + input.suffix().size())
                continue;
            const std::string digits = name.substr(prefixSize, name.size() - prefixSize - input.suffix().size());
            std::size_t parsed = 0;
            std::int64_t inputFrame = 0;
            try {
                inputFrame = std::stoll(digits, &parsed);
            } catch (const std::exception&) {
                continue;
            }
            if (parsed == digits.size() && inputFrames.contains(inputFrame) &&
                fs::path(input.path(inputFrame)).filename().string() == name &&
                name.compare(0, prefixSize, inName, 0, prefixSize) == 0)
                fail(frame, inputFrame);
            continue;
        }
        const fs::path resolvedTarget = resolve(target);
        for (std::uint64_t j = 0; j < inputFrames.size(); ++j)
            if (resolve(input.path(inputFrames.at(j))) == resolvedTarget)
                fail(frame, inputFrames.at(j));
    }
}

} // namespace Vx::Render
