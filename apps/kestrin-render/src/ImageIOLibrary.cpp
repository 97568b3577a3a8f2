// The image I/O library's side of ImageIO: what the program reaches through it.
#include <Vx/Render/ColourManagement.h>
#include <Vx/Render/FileMetadata.h>
#include <Vx/Render/FrameWriter.h>
#include <Vx/Render/ImageIO.h>
#include <Vx/Render/ImageSequenceSource.h>
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/MovieReader.h>
#include <Vx/Render/PanelServer.h>
#include <Vx/Render/TileRenderer.h>

#include <stdexcept>

#include <OpenImageIO/imageio.h>

namespace Vx::Render {

namespace {

class FileOutput final : public FrameOutput
{
public:
    explicit FileOutput(const FrameWriter::Options& options) : m_writer(options) {}
    void write(const TileRenderer& renderer, const PxImageProtocol& node, double time, int level,
               const std::string& path, const SourceFrame* input) const override
    {
        // Strip by strip: a worker never holds a whole rendered frame for a file.
        m_writer.write(path, renderer, node, time, level, input);
    }

private:
    FrameWriter m_writer;
};

class ImageIOLibrary final : public ImageIO
{
public:
    PxStrongHndl<FrameSource> createSequenceSource(const FramePattern& pattern,
                                                   const FrameSource::Options& options) const override
    {
        return pxCreateNode<ImageSequenceSource>(FramePattern(pattern), options);
    }
    std::unique_ptr<FrameOutput> createFrameWriter(int zipLevel) const override
    {
        FrameWriter::Options options;
        options.zipLevel = zipLevel;
        return std::make_unique<FileOutput>(options);
    }
    PxMetadataPtr readMetadata(const std::string& path) const override
    {
        const auto in = OIIO::ImageInput::open(path);
        if (!in)
            throw std::runtime_error("Cannot read \"" + path + "\": " + OIIO::geterror());
        return makeMetadata(in->spec());
    }
    void setUpColour(const ColourOptions& options, const std::string& executablePath, FrameSource* source,
                     const std::string& outputPath) const override
    {
        auto* const sequence = dynamic_cast<ImageSequenceSource*>(source);
        std::shared_ptr<const ColourConversion> conversion = ColourConversion::choose(
            options, executablePath, sequence ? &sequence->getFirstSpec() : nullptr, outputPath);
        if (sequence)
            sequence->setColourConversion(std::move(conversion));
    }
    void listColourSpaces(const ColourOptions& options, const std::string& executablePath,
                          std::ostream& out) const override
    {
        ColourConfig::load(options.ocio, executablePath, options.origins.ocio).list(out);
    }
    PxMetadataPtr readMovieMetadata(const std::string& path, std::int64_t first, std::int64_t frame) const override
    {
        const MovieReader movie(path);
        if (frame < first || frame >= first + movie.getFrameCount())
            throw std::runtime_error("--list-metadata: the movie " + inQuotes(path) + " holds frames " +
                                     std::to_string(first) + "-" + std::to_string(first + movie.getFrameCount() - 1) +
                                     ", not " + std::to_string(frame));
        OIIO::ImageSpec spec;
        std::vector<float> pixels;
        movie.read(int(frame - first), spec, pixels);
        return makeMetadata(spec);
    }
    MovieInfo readMovieInfo(const std::string& path) const override
    {
        const MovieReader movie(path);
        return MovieInfo{movie.getFrameCount(), headerFrameRate(movie.getSpec())};
    }
    int servePanel(const std::optional<CompositionDoc>& file, const RenderOptions& options,
                   const std::string& pluginFolder, const std::string& executablePath, std::ostream& out,
                   std::ostream& err) const override
    {
        return Render::servePanel(file, options, pluginFolder, executablePath, out, err);
    }
};

} // namespace

} // namespace Vx::Render

/// The entry point ImageIO::get() looks up.
extern "C" __attribute__((visibility("default"))) const Vx::Render::ImageIO* kestrinRenderImageIO()
{
    static const Vx::Render::ImageIOLibrary library;
    return &library;
}
