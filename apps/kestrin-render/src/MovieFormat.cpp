// Movie names, codecs and containers.
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/MovieFormat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <stdexcept>

namespace Vx::Render {

namespace {

constexpr MovieCodec kCodecs[] = {MovieCodec::ProRes, MovieCodec::ProRes4444, MovieCodec::H264, MovieCodec::DNxHR};

// The extension of `path` in lower case, without the dot.
std::string extensionOf(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    if (!ext.empty())
        ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

bool hasFrameToken(const std::string& name)
{
    // "%%" is a literal percent sign, as in frame patterns.
    static const std::regex token(R"([#@]|%0?\d*d)");
    return std::regex_search(std::regex_replace(name, std::regex("%%"), ""), token);
}

std::string listCodecs(const std::vector<MovieCodec>& codecs)
{
    std::string text;
    for (std::size_t i = 0; i < codecs.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == codecs.size() ? " or " : ", ") + getMovieCodecName(codecs[i]);
    return text;
}

} // namespace

const char* getMovieCodecName(MovieCodec codec)
{
    switch (codec) {
    case MovieCodec::ProRes:
        return "prores";
    case MovieCodec::ProRes4444:
        return "prores4444";
    case MovieCodec::H264:
        return "h264";
    case MovieCodec::DNxHR:
        return "dnxhr";
    }
    return "?";
}

bool isMovieOutputPath(const std::string& path)
{
    const std::string ext = extensionOf(path);
    return ext == "mov" || ext == "mp4" || ext == "mxf";
}

bool isMovieInputPath(const std::string& path)
{
    static const char* const kExtensions[] = {"mov", "qt", "mp4", "m4v", "mxf", "avi", "mkv", "mpg", "3gp", "mj2"};
    const std::string ext = extensionOf(path);
    return std::find(std::begin(kExtensions), std::end(kExtensions), ext) != std::end(kExtensions) &&
           !hasFrameToken(std::filesystem::path(path).filename().string());
}

MovieCodec parseMovieCodec(const std::string& text)
{
    if (const std::optional<MovieCodec> codec = findMovieCodec(text))
        return *codec;
    throw std::invalid_argument("--codec: " + inQuotes(text) + " is not a codec: use " + describeMovieCodecs());
}

std::optional<MovieCodec> findMovieCodec(const std::string& text)
{
    for (const MovieCodec codec : kCodecs)
        if (text == getMovieCodecName(codec))
            return codec;
    return std::nullopt;
}

std::string describeMovieCodecs()
{
    return listCodecs(std::vector<MovieCodec>(std::begin(kCodecs), std::end(kCodecs)));
}

std::vector<MovieCodec> getContainerCodecs(const std::string& path)
{
    const std::string ext = extensionOf(path);
    if (ext == "mp4")
        return {MovieCodec::H264};
    if (ext == "mxf")
        return {MovieCodec::DNxHR};
    return {MovieCodec::ProRes, MovieCodec::ProRes4444, MovieCodec::H264, MovieCodec::DNxHR};
}

MovieCodec chooseMovieCodec(const std::string& path, const std::optional<MovieCodec>& codec,
                            const std::optional<int>& crf, const std::string& codecOrigin, const std::string& crfOrigin)
{
    const std::vector<MovieCodec> codecs = getContainerCodecs(path);
    const MovieCodec chosen = codec.value_or(codecs.front());
    if (std::find(codecs.begin(), codecs.end(), chosen) == codecs.end())
        throw std::invalid_argument(codecOrigin + " " + getMovieCodecName(chosen) + ": a ." + extensionOf(path) +
                                    " movie cannot hold it (" + inQuotes(path) + "); ." + extensionOf(path) +
                                    " takes " + listCodecs(codecs));
    if (crf && chosen != MovieCodec::H264)
        throw std::invalid_argument(crfOrigin + ": only h264 has a constant rate factor, the movie " + inQuotes(path) +
                                    " is " + getMovieCodecName(chosen));
    if (crf && (*crf < 0 || *crf > kMaxCrf))
        throw std::invalid_argument(crfOrigin + ": " + std::to_string(*crf) + " is out of range: use 0 (lossless) to " +
                                    std::to_string(kMaxCrf) + " (smallest), default " + std::to_string(kDefaultCrf));
    return chosen;
}

void checkMovieOutputName(const std::string& pattern)
{
    const std::string name = std::filesystem::path(pattern).filename().string();
    if (isMovieOutputPath(pattern) && hasFrameToken(name))
        throw std::invalid_argument("Output " + inQuotes(pattern) + " is a movie, one file: its name takes no frame " +
                                    "number (#, @ or %d)");
}

} // namespace Vx::Render
