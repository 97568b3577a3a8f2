// Movie frames through OpenImageIO, the movie's timecode through libavformat.
#include <Vx/Render/MovieReader.h>

#include <Vx/Li/LiTimeCode.h>
#include <Vx/Render/FileMetadata.h>
#include <Vx/Render/InQuotes.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <stdexcept>

namespace Vx::Render {

namespace {

// The movie's timecode as libavformat reports it: the container's, else the first stream's that
// has one (QuickTime gives it to the video stream and the tmcd track). Throws with libavformat's
// reason when the file cannot be opened as a movie.
std::optional<std::string> readStartTimecode(const std::string& path)
{
    AVFormatContext* context = nullptr;
    const int status = avformat_open_input(&context, path.c_str(), nullptr, nullptr);
    if (status < 0) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(status, reason, sizeof reason);
        throw std::runtime_error("Cannot read " + inQuotes(path) + ": " + reason);
    }
    std::optional<std::string> timecode;
    if (const AVDictionaryEntry* entry = av_dict_get(context->metadata, "timecode", nullptr, 0))
        timecode = entry->value;
    for (unsigned i = 0; !timecode && i < context->nb_streams; ++i)
        if (const AVDictionaryEntry* entry = av_dict_get(context->streams[i]->metadata, "timecode", nullptr, 0))
            timecode = entry->value;
    avformat_close_input(&context);
    return timecode;
}

} // namespace

MovieReader::MovieReader(const std::string& path) : m_path(path)
{
    // The reason a movie cannot be read is in the error thrown; libavformat need not say it too.
    av_log_set_level(AV_LOG_FATAL);
    m_startTimecode = readStartTimecode(path);
    m_input = OIIO::ImageInput::open(path);
    if (!m_input)
        throw std::runtime_error("Cannot read " + inQuotes(path) + ": " + OIIO::geterror());
    if (!m_input->spec().get_int_attribute("oiio:Movie", 0))
        throw std::runtime_error("Cannot read " + inQuotes(path) + ": OpenImageIO reads it as a " +
                                 m_input->format_name() + " image, not a movie");
    m_frames = m_input->spec().get_int_attribute("oiio:subimages", 1);
    m_spec = m_input->spec();
    if (const auto timecode = timecodeAt(0))
        m_spec.attribute("smpte:TimeCode", *timecode);
}

MovieReader::~MovieReader() = default;

std::optional<std::string> MovieReader::timecodeAt(int index) const
{
    if (!m_startTimecode)
        return std::nullopt;
    const std::optional<Rational> rate = headerFrameRate(m_spec);
    if (!rate)
        return m_startTimecode;
    try {
        // ';' marks drop-frame counting; ':' at 29.97 counts non-drop.
        const int flags = m_startTimecode->find(';') != std::string::npos ? 0 : 1;
        const RCShdPtr<LiTimeCode> counting = LiTimeCodeFactory::getInstance().createTimeCode(*rate, flags);
        DtTime time;
        time.rate = *rate;
        time.frames = counting->toFrameCount(*m_startTimecode) + index;
        return counting->toString(time);
    } catch (const std::invalid_argument&) {
        // A timecode this rate cannot count is shown as the movie gives it.
        return m_startTimecode;
    }
}

void MovieReader::read(int index, OIIO::ImageSpec& spec, std::vector<float>& pixels) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_input->seek_subimage(index, 0))
        throw std::runtime_error("Cannot read picture " + std::to_string(index + 1) + " of " + inQuotes(m_path) + ": " +
                                 m_input->geterror());
    spec = m_input->spec();
    pixels.resize(std::size_t(spec.width) * std::size_t(spec.height) * std::size_t(spec.nchannels));
    if (!m_input->read_image(index, 0, 0, spec.nchannels, OIIO::TypeFloat, pixels.data()))
        throw std::runtime_error("Cannot read picture " + std::to_string(index + 1) + " of " + inQuotes(m_path) + ": " +
                                 m_input->geterror());
    if (const auto timecode = timecodeAt(index))
        spec.attribute("smpte:TimeCode", *timecode);
}

} // namespace Vx::Render
