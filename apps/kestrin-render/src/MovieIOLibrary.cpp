// The movie library's side of MovieIO: what the program reaches through it.
#include <Vx/Render/MovieEncodeQueue.h>
#include <Vx/Render/MovieIO.h>
#include <Vx/Render/MovieWriter.h>

namespace Vx::Render {

namespace {

class EncodedMovie final : public MovieOutput
{
public:
    EncodedMovie(const std::string& path, const MovieWriter::Options& options, std::size_t window)
        : m_writer(path, options), m_queue(m_writer, window)
    {
    }
    void submit(std::uint64_t index, const TileRenderer& renderer, const PxImageProtocol& node, double time,
                int level) override
    {
        m_queue.submit(index, m_writer.render(renderer, node, time, level));
    }
    void abort() override { m_queue.abort(); }
    void finish(std::uint64_t count) override
    {
        m_queue.finish(count);
        m_writer.finish();
    }

private:
    MovieWriter m_writer;
    MovieEncodeQueue m_queue;
};

class MovieIOLibrary final : public MovieIO
{
public:
    bool hasEncoder(MovieCodec codec) const override { return MovieWriter::hasEncoder(codec); }
    std::unique_ptr<MovieOutput> createOutput(const std::string& path, const MovieWriter::Options& options,
                                              std::size_t window) const override
    {
        return std::make_unique<EncodedMovie>(path, options, window);
    }
};

} // namespace

} // namespace Vx::Render

/// The entry point MovieIO::get() looks up.
extern "C" __attribute__((visibility("default"))) const Vx::Render::MovieIO* kestrinRenderMovieIO()
{
    static const Vx::Render::MovieIOLibrary library;
    return &library;
}
