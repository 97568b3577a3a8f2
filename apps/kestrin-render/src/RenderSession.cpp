// One run of kestrin-render.
#include <Vx/Render/RenderSession.h>

#include <Vx/Fo/FoFontMgr.h>
#include <Vx/In/InModuleLoader.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/Pi/PiToolRegistry.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/FrameRange.h>
#include <Vx/Render/FrameWriter.h>
#include <Vx/Render/InputValues.h>
#include <Vx/Render/ProgressReporter.h>
#include <Vx/Render/ReadTool.h>
#include <Vx/Render/SceneBuilder.h>
#include <Vx/Render/TileRenderer.h>
#include <Vx/St/StBufferManager.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <thread>

namespace Vx::Render {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = "kestrin-render: ";

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

/// The buffer manager for the length of a run.
class BufferManagerScope
{
public:
    BufferManagerScope() { StBufferManager::initialize(); }
    ~BufferManagerScope() { StBufferManager::shutdown(); }
    BufferManagerScope(const BufferManagerScope&) = delete;
    BufferManagerScope& operator=(const BufferManagerScope&) = delete;
};

/// The plug-ins, loaded and initialised; their tools are released before their libraries go.
class PluginScope
{
public:
    explicit PluginScope(std::ostream& err) : m_err(err) {}
    ~PluginScope()
    {
        for (InPackageInit* package : InPackageRegistry::getInstance().getPackages())
            PiToolRegistry::getInstance().releaseTools(*package);
        try {
            m_loader.unloadAll();
        } catch (const std::exception& e) {
            m_err << kPrefix << "warning: " << e.what() << "\n";
        }
    }
    PluginScope(const PluginScope&) = delete;
    PluginScope& operator=(const PluginScope&) = delete;

    /// Loads every plug-in of `folder` and initialises the packages. Files that cannot be loaded
    /// are reported as warnings; a package that fails to initialise is an error.
    void load(const std::string& folder)
    {
        if (!fs::is_directory(folder))
            throw std::runtime_error("Plug-in folder " + quoted(folder) + " does not exist (see --plugin-path).");
        for (const InLoadError& error : m_loader.loadDirectory(folder))
            m_err << kPrefix << "warning: " << error.message << "\n";
        InPackageRegistry::getInstance().initializeAll();
        registerReadTool();
        if (!PiToolRegistry::getInstance().findTool(kSlateToolName))
            throw std::runtime_error("No plug-in in " + quoted(folder) + " registers the tool " +
                                     quoted(kSlateToolName) + " (see --plugin-path).");
    }

private:
    std::ostream& m_err;
    InModuleLoader m_loader;
};

std::vector<int> framesToRender(const RenderOptions& options, const CompositionDoc& doc)
{
    if (!options.frames.empty())
        return FrameRange::parse(options.frames).frames();
    std::vector<int> frames;
    for (std::int64_t f = doc.first; f <= doc.last; ++f)
        frames.push_back(int(f));
    return frames;
}

const NodeDoc* firstRead(const CompositionDoc& doc)
{
    for (const NodeDoc& node : doc.nodes)
        if (node.tool == ReadController::getToolName())
            return &node;
    return nullptr;
}

void describeSlate(std::ostream& out)
{
    const RCShdPtr<PiComposition> composition = PiComposition::create("describe");
    const RCShdPtr<PiGraph> graph = composition->createGraph("v1", 1, 2);
    const RCShdPtr<PiNode> node = graph->createNode(
        kSlateToolName, OPtr<PiNodeController>(PiToolRegistry::getInstance().createController(kSlateToolName)));
    out << "The inputs of the Slate tool, set with --set \"Name=value\" or in a composition file's \"inputs\":\n";
    describeInputs(*node, out);
    out << "Tokens in Text: <CompName> <CompLength> <VersionName> <VersionNo> <FrameNo> <Timecode> "
           "<attr:NAME>\n";
    composition->close();
    PxRequestMgr::getInstance().waitForIdle();
}

struct FrameFailure
{
    int frame;
    std::string message;
};

// Runs `renderFrame(frame, worker)` for every frame of `frames`, up to `inFlight` frames at once
// (worker 0 to inFlight - 1 says which of them runs it): while one frame
// is being read or written (work on one core), others are rendered. Frames start in order; after
// a failure no new frame starts, the frames under way finish (a frame is written whole or not at
// all), and the failure of the earliest frame is returned.
template <class RenderFrame>
std::optional<FrameFailure> renderFrames(const std::vector<int>& frames, int inFlight, const RenderFrame& renderFrame,
                                         ProgressReporter& progress)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex failureMutex;
    std::optional<FrameFailure> failure;
    const auto work = [&](std::size_t worker) {
        while (!stop.load()) {
            const std::size_t i = next.fetch_add(1);
            if (i >= frames.size())
                return;
            std::string message;
            try {
                renderFrame(frames[i], worker);
                progress.frameDone();
                continue;
            } catch (const std::exception& e) {
                message = e.what();
            } catch (...) {
                message = "unknown error";
            }
            stop.store(true);
            const std::lock_guard<std::mutex> lock(failureMutex);
            if (!failure || frames[i] < failure->frame)
                failure = FrameFailure{frames[i], message};
            return;
        }
    };
    std::vector<std::thread> helpers;
    const std::size_t count = std::min(frames.size(), std::size_t(std::max(1, inFlight)));
    for (std::size_t k = 1; k < count; ++k)
        helpers.emplace_back(work, k);
    work(0);
    for (std::thread& helper : helpers)
        helper.join();
    return failure;
}

} // namespace

RenderSession::RenderSession(std::ostream& out, std::ostream& err, std::string executablePath)
    : m_out(out), m_err(err), m_executablePath(std::move(executablePath))
{
}

std::string RenderSession::defaultPluginFolder(const std::string& executablePath)
{
    std::error_code error;
    fs::path exe = fs::canonical(executablePath, error);
    if (error)
        exe = fs::absolute(executablePath, error);
    return (exe.parent_path().parent_path() / "plugins").string();
}

int RenderSession::run(int argc, const char* const* argv)
{
    const ParsedCommandLine parsed = parseCommandLine(argc, argv, m_out, m_err);
    if (!parsed.options)
        return parsed.exitCode;
    return run(*parsed.options);
}

int RenderSession::run(const RenderOptions& options)
{
    if (options.listFonts)
        return listFonts();
    try {
        return renderAll(options);
    } catch (const std::exception& e) {
        m_err << kPrefix << e.what() << "\n";
        return 1;
    }
}

int RenderSession::listFonts()
{
    const FoFontMgr& fonts = FoFontMgr::getInstance();
    for (const std::string& family : fonts.getFontFamilies()) {
        m_out << family << ":";
        const std::vector<int> styles = fonts.getFontStyles(family);
        for (std::size_t i = 0; i < styles.size(); ++i)
            m_out << (i == 0 ? " " : ", ") << FoFontMgr::getFontStyleName(styles[i]);
        m_out << "\n";
    }
    return 0;
}

int RenderSession::renderAll(const RenderOptions& options)
{
    // The composition file is read before any plug-in is loaded: a typo in it is the cheapest
    // error to report.
    std::optional<CompositionDoc> file;
    if (!options.composition.empty())
        file = readCompositionFile(options.composition);

    BufferManagerScope buffers;
    PluginScope plugins(m_err);
    plugins.load(options.pluginPath.empty() ? defaultPluginFolder(m_executablePath) : options.pluginPath);

    if (options.describe) {
        describeSlate(m_out);
        return 0;
    }

    const CompositionDoc doc = mergeOptions(file, options);
    const std::vector<int> frames = framesToRender(options, doc);

    // Outputs are checked before anything is built or rendered.
    std::optional<FramePattern> output;
    if (!options.nullOutput) {
        if (doc.output.empty())
            throw std::invalid_argument("No output: give -o PATTERN (or --null-output).");
        try {
            output.emplace(doc.output, FramePatternRole::Output);
        } catch (const std::exception& e) {
            throw std::invalid_argument("Composition " + quoted(options.composition) + ": " + e.what());
        }
        if (FrameWriter::formatForPath(output->path(frames.front())).empty())
            throw std::invalid_argument("Output pattern " + quoted(doc.output) +
                                        ": the extension names no format kestrin-render writes (exr, png, tif, "
                                        "tiff, dpx, jpg, jpeg).");
        const fs::path folder = fs::path(output->path(frames.front())).parent_path();
        FrameWriter::checkWritableFolder(folder.empty() ? std::string(".") : folder.string());
        if (const NodeDoc* read = firstRead(doc))
            FrameWriter::checkNoOverwrite(FramePattern(read->file, FramePatternRole::Input), frames, *output, frames);
    }

    SceneBuilder scene;
    scene.build(doc, options.composition, options, frames.front());
    // A composition that cannot be saved fails before the frames are rendered, not after.
    if (!options.save.empty()) {
        try {
            formatComposition(scene.toDocument());
        } catch (const CompositionFileError& e) {
            throw std::invalid_argument("--save " + quoted(options.save) + ": " + e.what());
        }
    }
    const PxNodePtr<PxImageProtocol const> proc = scene.getOutputProcNode();
    const PxStrongHndl<ImageSequenceSource> source = scene.getInputSource();
    const Rational rate = scene.getComposition()->getFrameRate();

    const int threads = options.threads > 0 ? options.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    // One renderer (a oneTBB arena) per frame under way: each frame's thread enters its own arena,
    // and oneTBB shares its `threads` workers among them.
    const std::size_t inFlight = std::min(frames.size(), std::size_t(threads));
    std::vector<std::unique_ptr<TileRenderer>> renderers;
    for (std::size_t k = 0; k < inFlight; ++k)
        renderers.push_back(std::make_unique<TileRenderer>(threads, options.tileSize, options.tileSize));
    FrameWriter::Options writing;
    writing.zipLevel = options.zipLevel;
    const FrameWriter writer(writing);
    ProgressReporter progress = ProgressReporter::forStderr(frames.size(), options.quiet, !options.quiet);
    PxRequestMgr::getInstance().waitForIdle();

    // One frame: its input decoded first (so that no tile waits on the decode), its tiles
    // rendered on the renderer's workers, then written.
    const auto renderFrame = [&](int frame, std::size_t worker) {
        const TileRenderer& renderer = *renderers[worker];
        const double seconds = TmTimeUtil::getSecondsFromFrames(rate, frame);
        if (options.nullOutput) {
            renderer.renderNull(*proc, seconds);
            return;
        }
        std::shared_ptr<const SourceFrame> input;
        if (source)
            input = source->getFrame(frame);
        const OIIO::ImageBuf image = renderer.render(*proc, seconds);
        writer.write(output->path(frame), image, input.get());
    };
    const std::optional<FrameFailure> failure = renderFrames(frames, int(inFlight), renderFrame, progress);
    progress.finish();
    if (failure)
        m_err << kPrefix << "frame " << failure->frame << ": " << failure->message << "\n";

    if (!options.save.empty())
        writeCompositionFile(scene.toDocument(), options.save);
    scene.close();
    return failure ? 1 : 0;
}

} // namespace Vx::Render
