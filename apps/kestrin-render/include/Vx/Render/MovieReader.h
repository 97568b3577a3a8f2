// Reads the frames of a movie file (anything OpenImageIO's movie reader opens: QuickTime, MP4,
// MXF...) for ImageSequenceSource: picture k of the movie is its subimage k. The movie's own
// timecode (a QuickTime tmcd track, an MXF timecode, as libavformat reports it) counts on from
// its first picture and is given to each frame as its header's smpte:TimeCode, so that
// --timecode-from input and <meta:smpte:TimeCode> see it.
//
// Opened on the graph thread; read() may be called from several threads at once (the decodes
// take turns: a movie decodes best in order).
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <OpenImageIO/imageio.h>

namespace Vx::Render {

class MovieReader
{
public:
    /// Opens `path`. Throws std::runtime_error "Cannot read "<path>": <the reader's reason>".
    explicit MovieReader(const std::string& path);
    ~MovieReader();
    MovieReader(const MovieReader&) = delete;
    MovieReader& operator=(const MovieReader&) = delete;

    const std::string& getPath() const { return m_path; }
    /// The pictures the movie holds.
    int getFrameCount() const { return m_frames; }
    /// The first picture's description, its timecode included when the movie has one.
    const OIIO::ImageSpec& getSpec() const { return m_spec; }
    /// The first picture's timecode (HH:MM:SS:FF, or ;FF drop-frame), when the movie has one.
    const std::optional<std::string>& getStartTimecode() const { return m_startTimecode; }

    /// Picture `index` (from 0) as float, every channel, top row first, with its description.
    /// Throws std::runtime_error naming the file.
    void read(int index, OIIO::ImageSpec& spec, std::vector<float>& pixels) const;
    /// The timecode of picture `index`, when the movie has one.
    std::optional<std::string> timecodeAt(int index) const;

private:
    std::string m_path;
    int m_frames = 0;
    OIIO::ImageSpec m_spec;
    std::optional<std::string> m_startTimecode;
    mutable std::mutex m_mutex;
    std::unique_ptr<OIIO::ImageInput> m_input; // guarded by m_mutex
};

} // namespace Vx::Render
