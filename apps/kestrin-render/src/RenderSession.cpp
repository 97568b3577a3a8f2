// One run of kestrin-render.
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/RenderSession.h>

#include <Vx/Fo/FoFontMgr.h>
#include <Vx/In/InModuleLoader.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/Li/LiTimeCode.h>
#include <Vx/Msg/MsgServer.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiToolRegistry.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/FrameChunk.h>
#include <Vx/Render/FrameLog.h>
#include <Vx/Render/FrameRange.h>
#include <Vx/Render/FrameScheduler.h>
#include <Vx/Render/FrameWriter.h>
#include <Vx/Render/ImageIO.h>
#include <Vx/Render/ImageSequenceSource.h>
#include <Vx/Render/InputValues.h>
#include <Vx/Render/MovieFormat.h>
#include <Vx/Render/MovieIO.h>
#include <Vx/Render/ProgressReporter.h>
#include <Vx/Render/ReadTool.h>
#include <Vx/Render/RenderLimits.h>
#include <Vx/Render/RunSettings.h>
#include <Vx/Render/SceneBuilder.h>
#include <Vx/Render/StopSignals.h>
#include <Vx/Render/TemporaryFile.h>
#include <Vx/Render/TileRenderer.h>
#include <Vx/St/StBufferManager.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace Vx::Render {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = "kestrin-render: ";
constexpr int kRenderFailure = 1;
constexpr int kUsageError = 2;
// The frames looked at for the warning about frames outside a generated plate's clip.
constexpr std::uint64_t kTransparentScanFrames = 1000000;

/// A rate as people write it: 24, 25, 23.976, 29.97 (at most three decimals, no trailing zeros).
std::string formatRate(const Rational& rate)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%.3f", rate.toDouble());
    std::string out = text;
    while (!out.empty() && out.back() == '0')
        out.pop_back();
    if (!out.empty() && out.back() == '.')
        out.pop_back();
    return out;
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
            throw std::invalid_argument("Plug-in folder " + inQuotes(folder) + " does not exist (see --plugin-path).");
        for (const InLoadError& error : m_loader.loadDirectory(folder))
            m_err << kPrefix << "warning: " << error.message << "\n";
        InPackageRegistry::getInstance().initializeAll();
        registerReadTool();
        if (!PiToolRegistry::getInstance().findTool(kSlateToolName))
            throw std::runtime_error("No plug-in in " + inQuotes(folder) + " registers the tool " +
                                     inQuotes(kSlateToolName) + " (see --plugin-path).");
    }

private:
    std::ostream& m_err;
    InModuleLoader m_loader;
};

// The frames asked for: -f, else the composition's range. Ranges are never listed: a range of
// billions of frames starts rendering at once.
FrameRange framesToRender(const RenderOptions& options, const CompositionDoc& doc)
{
    // The composition's range is checked even when -f chooses the frames: the graph spans it.
    std::optional<FrameRange> range;
    try {
        range = FrameRange::fromTo(doc.first, doc.last);
    } catch (const std::invalid_argument& e) {
        const std::string origin = options.range ? "--range: "
                                   : options.composition.empty()
                                       ? std::string()
                                       : "Composition " + inQuotes(options.composition) + ": ";
        throw UsageError(origin + e.what());
    }
    if (options.frames.empty())
        return *range;
    try {
        return FrameRange::parse(options.frames);
    } catch (const std::invalid_argument& e) {
        throw UsageError(std::string("--frames: ") + e.what());
    }
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
           "<attr:NAME> <meta:NAME>\n";
    out << "<Timecode> counts frame N as N frames after 00:00:00:00 at the composition's rate (drop-frame, with ';', "
           "at 29.97 and 59.94, unless --non-drop-frame); --start-timecode gives the timecode of the range's first "
           "frame, --timecode-from input each frame's header timecode (smpte:TimeCode).\n";
    out << "<meta:NAME> is the input frame's header attribute NAME (--list-metadata lists them), per frame; a "
           "missing one is shown as written.\n";
    composition->close();
    PxRequestMgr::getInstance().waitForIdle();
}

/// Frames (ascending) as a short phrase of runs: "frame 7", "frames 1-2, 5-8"; after four runs,
/// the count of the rest.
std::string describeFrames(const std::vector<std::int64_t>& frames)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> runs;
    for (const std::int64_t frame : frames) {
        if (!runs.empty() && runs.back().second + 1 == frame)
            runs.back().second = frame;
        else
            runs.emplace_back(frame, frame);
    }
    std::string text = frames.size() == 1 ? "frame " : "frames ";
    for (std::size_t i = 0; i < runs.size() && i < 4; ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(runs[i].first);
        if (runs[i].second != runs[i].first)
            text += "-" + std::to_string(runs[i].second);
    }
    if (runs.size() > 4)
        text += " and " + std::to_string(runs.size() - 4) + " more runs";
    return text;
}

/// A time input's constant value in seconds, as users read it.
std::string describeSeconds(const PiNode& node, const std::string& name)
{
    const RCShdPtr<const PiInput> input = node.getInput(name, false);
    if (!input || !input->holdsValue())
        return "unknown";
    if (input->getContent().isAnimated())
        return "animated";
    const double seconds = piVariantGet<double>(input->getContent().getConstant());
    if (std::abs(seconds) >= 1e38)
        return seconds < 0 ? "-unbounded" : "unbounded";
    std::ostringstream text;
    text << std::setprecision(8) << seconds << " s";
    return text.str();
}

/// Warns once when frames to render fall outside a generated plate's In and Out times and so
/// render transparent (with Repeat Mode None the clip shows nothing there): a plain mistake in
/// the times would otherwise give a sequence of empty frames and a zero exit. Only the first
/// kTransparentScanFrames frames of a range are looked at, so that a range of billions of frames
/// starts at once.
void warnTransparentFrames(const SceneBuilder& scene, const PxImageProtocol& output, const FrameRange& frames,
                           const Rational& rate, std::ostream& err)
{
    const PiNode* generator = nullptr;
    for (const RCShdPtr<PiNode>& node : scene.getGraph()->getNodes())
        if (node->getStoredValue(PiImageGenerator::getFormatValueName(), false) && node->getPrimaryInput() &&
            !node->getPrimaryInput()->isConnected()) {
            generator = node.get();
            break;
        }
    if (!generator)
        return;
    std::vector<std::int64_t> transparent;
    const std::uint64_t scanned = std::min<std::uint64_t>(frames.size(), kTransparentScanFrames);
    for (std::uint64_t i = 0; i < scanned; ++i) {
        const std::int64_t frame = frames.at(i);
        const double seconds = TmTimeUtil::getSecondsFromFrames(rate, frame);
        if (output.getImageROD(PxImageContext{seconds, 0, {}}).getROD().isEmpty())
            transparent.push_back(frame);
    }
    if (transparent.empty())
        return;
    std::sort(transparent.begin(), transparent.end());
    transparent.erase(std::unique(transparent.begin(), transparent.end()), transparent.end());
    err << kPrefix << "warning: " << describeFrames(transparent) << " render transparent: they lie outside the "
        << inQuotes(generator->getName()) << " node's In Time ("
        << describeSeconds(*generator, PiImageGenerator::getInTimeInputName()) << ") and Out Time ("
        << describeSeconds(*generator, PiImageGenerator::getOutTimeInputName()) << ")";
    const std::string offset = describeSeconds(*generator, PiImageGenerator::getTimeOffsetInputName());
    if (offset != "0 s")
        err << ", shifted by its Time Offset (" << offset << ")";
    if (scanned < frames.size())
        err << " (the first " << scanned << " frames of the range looked at)";
    err << "\n";
}

/// While a composition is built: the messages the tools display go on to the sink that was
/// installed before, and the first error among them is kept, for the build to fail with.
class BuildMessages : public MsgSink
{
public:
    BuildMessages() : m_next(MsgServer::getInstance().getSink()) {}
    void display(const MsgRecord& record) override
    {
        if (record.severity == MsgSeverity::Error) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_error)
                m_error = record.text;
            return;
        }
        m_next->display(record);
    }
    /// Installs this sink until the scope ends.
    class Scope
    {
    public:
        explicit Scope(const RCShdPtr<BuildMessages>& sink) : m_previous(MsgServer::getInstance().setSink(sink)) {}
        ~Scope() { MsgServer::getInstance().setSink(m_previous); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        RCShdPtr<MsgSink> m_previous;
    };
    /// Throws the first error displayed as a composition error.
    void check()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_error)
            throw UsageError(*m_error);
    }

private:
    RCShdPtr<MsgSink> m_next;
    std::mutex m_mutex;
    std::optional<std::string> m_error;
};

const char* signalName(int signal)
{
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
}

// Checks before the first frame that --save can write its file: the composition can be written as
// JSON, and a file can be created beside the destination (created and removed again).
void checkSave(const CompositionDoc& doc, const std::string& path)
{
    try {
        formatComposition(doc);
    } catch (const std::exception& e) {
        throw UsageError("--save " + inQuotes(path) + ": the composition cannot be written as JSON: " + e.what());
    }
    try {
        TemporaryFile probe(path);
    } catch (const TemporaryFileError& e) {
        // Like a missing output folder: a mistake in the command line, found before rendering.
        throw UsageError("--save " + inQuotes(path) + ": the file cannot be written: " + e.getReason());
    }
}

/// The options a movie output cannot take, and the codec it is written with; throws UsageError.
MovieCodec checkMovieOutput(const RenderOptions& options, const CompositionDoc& doc)
{
    const std::string origin = "Output " + inQuotes(doc.output) + ": ";
    if (options.skipExisting || options.chunk || options.listMissing)
        throw UsageError(origin + "a movie is written whole by one run, so " +
                         (options.chunk          ? "--chunk"
                          : options.skipExisting ? "--skip-existing"
                                                 : "--list-missing") +
                         " does not apply; write frames (NAME.####.exr) to split a range between tasks");
    try {
        checkMovieOutputName(doc.output);
        const MovieCodec codec =
            chooseMovieCodec(doc.output, doc.codec, doc.crf, getCodecOrigin(options), getCrfOrigin(options));
        if (!MovieIO::get().hasEncoder(codec))
            throw std::invalid_argument(std::string("--codec ") + getMovieCodecName(codec) +
                                        ": this build of FFmpeg's libavcodec has no encoder for it");
        const fs::path folder = fs::path(doc.output).parent_path();
        FrameWriter::checkWritableFolder(folder.empty() ? std::string(".") : folder.string());
        return codec;
    } catch (const std::exception& e) {
        throw UsageError(e.what());
    }
}

/// The colour tags of a movie whose pictures are in the space `colour` chooses (Rec.709, BT.1886,
/// unless --colorspace-out or --display say otherwise): the sRGB encodings are tagged with the
/// sRGB transfer, the scene-linear space with the linear one, everything else as BT.709.
MovieWriter::ColourTags movieColourTags(const ColourOptions& colour)
{
    std::string name = colour.colourSpaceOut ? *colour.colourSpaceOut : colour.display.value_or("Rec709");
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    MovieWriter::ColourTags tags;
    static const char* const kSrgb[] = {"srgb",         "srgb encoded rec.709",    "srgb_rec709",
                                        "srgb_display", "aces 1.0 sdr-video srgb", "aces_srgb"};
    static const char* const kLinear[] = {"linear", "linear rec.709 (srgb)", "lin_rec709", "scene-linear"};
    if (std::find(std::begin(kSrgb), std::end(kSrgb), name) != std::end(kSrgb))
        tags.transfer = "iec61966-2-1";
    else if (std::find(std::begin(kLinear), std::end(kLinear), name) != std::end(kLinear))
        tags.transfer = "linear";
    return tags;
}

/// The timecode a movie's timecode track starts at: what <Timecode> shows on its first frame
/// `first` (the input's header timecode with --timecode-from input, when the frame has one);
/// empty before 00:00:00:00.
std::string movieStartTimecode(const CompositionDoc& doc, const Rational& rate, std::int64_t first,
                               const PxStrongHndl<FrameSource>& source)
{
    if (doc.timecodeFromInput && source) {
        const std::shared_ptr<const SourceFrame> input = source->getFrame(first);
        if (const std::string* header =
                input->metadata ? input->metadata->find(PxMetadata::getTimeCodeName()) : nullptr)
            return *header;
    }
    const RCShdPtr<LiTimeCode> counting = LiTimeCodeFactory::getInstance().createTimeCode(rate, doc.dropFrame ? 0 : 1);
    DtTime time;
    time.rate = rate;
    time.frames = doc.startTimecode.empty() ? first : counting->toFrameCount(doc.startTimecode) + (first - doc.first);
    return time.frames < 0 ? std::string() : counting->toString(time);
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
        if (options.listMetadata)
            return listMetadata(options);
        if (options.colour.listColourSpaces) {
            // The configuration a composition names, unless --ocio names another.
            ColourOptions colour = options.colour;
            if (!options.composition.empty()) {
                CompositionDoc doc = readCompositionFile(options.composition);
                mergeRunSettings(doc, options);
                colour = getRunColour(options, doc);
            }
            ImageIO::get().listColourSpaces(colour, m_executablePath, m_out);
            return 0;
        }
        return renderAll(options);
    } catch (const CompositionFileError& e) {
        m_err << kPrefix << e.what() << "\n";
        return kUsageError;
    } catch (const std::invalid_argument& e) {
        // A value, option or composition that cannot be used: nothing was rendered.
        m_err << kPrefix << e.what() << "\n";
        return kUsageError;
    } catch (const std::exception& e) {
        m_err << kPrefix << e.what() << "\n";
        return kRenderFailure;
    }
}

int RenderSession::listMissing(const RenderOptions& options, const FrameRange& frames, const FramePattern& output)
{
    const std::optional<FrameRange> chunk = options.chunk ? options.chunk->select(frames) : frames;
    std::vector<std::int64_t> missing;
    std::uint64_t looked = 0;
    if (chunk) {
        for (std::uint64_t i = 0; i < chunk->size(); ++i) {
            const std::int64_t frame = chunk->at(i);
            const std::string path = output.path(frame);
            std::error_code error;
            // As --skip-existing counts a frame done: a file under the frame's own name.
            if (!fs::is_regular_file(path, error)) {
                m_out << path << "\n";
                missing.push_back(frame);
            }
        }
        looked = chunk->size();
    }
    m_out << std::flush;
    if (missing.empty()) {
        if (!options.quiet)
            m_err << kPrefix << "all " << looked << (looked == 1 ? " frame" : " frames") << " of "
                  << inQuotes(chunk ? chunk->text() : frames.text()) << " are written\n";
        return 0;
    }
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    m_err << kPrefix << missing.size() << " of " << looked << " frames of " << inQuotes(chunk->text())
          << (missing.size() == 1 ? " is" : " are") << " missing: " << describeFrames(missing) << "\n";
    return kRenderFailure;
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

int RenderSession::listMetadata(const RenderOptions& options)
{
    const FramePattern pattern = FramePattern::input(options.input);
    std::int64_t frame = 0;
    if (pattern.isMovie()) {
        // The movie's pictures are the frames from the composition's first (1, or --range's).
        const std::int64_t first = options.range ? options.range->first : 1;
        const std::int64_t asked = options.frames.empty() ? first : FrameRange::parse(options.frames).first();
        const PxMetadataPtr metadata = ImageIO::get().readMovieMetadata(options.input, first, asked);
        for (const auto& [name, value] : metadata->getEntries())
            m_out << name << " = " << value << "\n";
        return 0;
    }
    if (!options.frames.empty()) {
        frame = FrameRange::parse(options.frames).first();
    } else if (const auto range = findSequenceRange(pattern)) {
        frame = range->first;
    } else {
        throw std::runtime_error("--list-metadata: no file matches " + inQuotes(options.input));
    }
    const std::string path = pattern.path(frame);
    const PxMetadataPtr metadata = ImageIO::get().readMetadata(path);
    for (const auto& [name, value] : metadata->getEntries())
        m_out << name << " = " << value << "\n";
    return 0;
}

int RenderSession::renderAll(const RenderOptions& options)
{
    // The request manager's thread is the first one a run starts: a system out of threads (ulimit
    // -u) is reported here as an error of the run, not later from a destructor, which could only
    // end the process.
    try {
        PxRequestMgr::getInstance();
    } catch (const std::system_error& e) {
        throw std::runtime_error("Cannot start the request manager's thread: " + e.code().message() +
                                 " (the system's limit of threads or processes)");
    }

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
    if (options.serve)
        return ImageIO::get().servePanel(
            file, options, options.pluginPath.empty() ? defaultPluginFolder(m_executablePath) : options.pluginPath,
            m_executablePath, m_out, m_err);

    const CompositionDoc doc = mergeOptions(file, options);
    const FrameRange frames = framesToRender(options, doc);
    // The colour options over the composition's, each value named in errors by where it came from.
    const ColourOptions colour = getRunColour(options, doc);

    // Outputs are checked before anything is built or rendered.
    const bool movie = !options.nullOutput && isMovieOutputPath(doc.output);
    std::optional<MovieCodec> movieCodec;
    if (movie)
        movieCodec = checkMovieOutput(options, doc);
    else if (options.codec || options.crf)
        throw UsageError(std::string(options.codec ? "--codec" : "--crf") +
                         ": only a movie output (-o NAME.mov, .mp4 or .mxf) has a codec");
    std::optional<FramePattern> output;
    if (!options.nullOutput && !movie) {
        if (doc.output.empty())
            throw UsageError("No output: give -o PATTERN (or --null-output).");
        try {
            output.emplace(doc.output, FramePatternRole::Output);
        } catch (const std::exception& e) {
            throw UsageError("Composition " + inQuotes(options.composition) + ": " + e.what());
        }
        if (FrameWriter::formatForPath(output->path(frames.first())).empty())
            throw UsageError("Output pattern " + inQuotes(doc.output) +
                             ": the extension names no format kestrin-render writes (exr, png, tif, tiff, dpx, jpg, "
                             "jpeg).");
        const fs::path folder = fs::path(output->path(frames.first())).parent_path();
        try {
            FrameWriter::checkWritableFolder(folder.empty() ? std::string(".") : folder.string());
            if (const NodeDoc* read = firstRead(doc))
                FrameWriter::checkNoOverwrite(FramePattern::input(read->file), frames, *output, frames);
        } catch (const std::runtime_error& e) {
            // An output that cannot be used is a mistake in the command line or the composition,
            // found before anything is rendered.
            throw UsageError(e.what());
        }
    }

    if (options.listMissing)
        return listMissing(options, frames, *output);

    SceneBuilder scene;
    {
        // A tool that reports an error while the composition is built (a text that would grow
        // past its bound) makes the composition unusable as given.
        const auto messages = makeShared<BuildMessages>();
        const BuildMessages::Scope scope(messages);
        scene.build(doc, options.composition, options, frames.first());
        messages->check();
    }
    const PxNodePtr<PxImageProtocol const> proc = scene.getOutputProcNode();
    const PxStrongHndl<FrameSource> source = scene.getInputSource();
    const Rational rate = scene.getComposition()->getFrameRate();
    // The plate's colour is converted to the output's as each frame is decoded, before the slate
    // is drawn over it; an unknown name or a configuration that does not load stops the run here.
    // A generated plate is never converted: without an input the names are only checked, and only
    // when an option gives one (a run over a generated plate loads no image library).
    if (source || colour.any())
        ImageIO::get().setUpColour(colour, m_executablePath, source.get(),
                                   movie    ? doc.output
                                   : output ? output->path(frames.first())
                                            : std::string());
    if (!options.save.empty())
        checkSave(scene.toDocument(), options.save);

    // The frame must fit the limits before the first one is rendered: a size typed on the command
    // line or in the composition is a usage error, one read from a file an error of the run.
    const GeRectangle<int> frame = TileRenderer::getFullFrame(*proc);
    const int inputChannels = source ? source->getFirstChannelCount() : 0;
    const std::uint64_t memory = RenderLimits::getAvailableMemory();
    const std::string tooLarge = RenderLimits::checkFrame(frame.getWidth(), frame.getHeight(), inputChannels, memory);
    if (!tooLarge.empty()) {
        if (source)
            throw std::runtime_error("Input frame " + std::to_string(frames.first()) + " " +
                                     inQuotes(source->getPattern().path(frames.first())) + ": " + tooLarge);
        const std::string origin =
            options.size ? "--size " + std::to_string(options.size->first) + "x" + std::to_string(options.size->second)
            : options.composition.empty() ? std::string("The generated plate")
                                          : "Composition " + inQuotes(options.composition);
        throw UsageError(origin + ": " + tooLarge);
    }

    // A farm task renders its chunk of the frames; everything above was checked against the whole
    // selection, so that every task of a job accepts or refuses the same command alike.
    std::optional<FrameRange> chunkFrames;
    if (options.chunk) {
        chunkFrames = options.chunk->select(frames);
        const std::uint64_t total = frames.size();
        if (!chunkFrames) {
            if (!options.quiet)
                m_err << kPrefix << "chunk " << options.chunk->describe() << " of the " << total
                      << (total == 1 ? " frame " : " frames ") << inQuotes(frames.text())
                      << " is empty: nothing to render\n";
            if (!options.save.empty())
                writeCompositionFile(scene.toDocument(), options.save);
            scene.close();
            return 0;
        }
        if (!options.quiet)
            m_err << kPrefix << "chunk " << options.chunk->describe() << ": frames " << inQuotes(chunkFrames->text())
                  << ", " << chunkFrames->size() << " of the " << total << " frames " << inQuotes(frames.text())
                  << "\n";
    }
    const FrameRange& work = chunkFrames ? *chunkFrames : frames;
    std::optional<FrameLog> log;
    if (!options.log.empty()) {
        try {
            log.emplace(options.log);
        } catch (const std::runtime_error& e) {
            throw UsageError(e.what());
        }
    }

    warnTransparentFrames(scene, *proc, work, rate, m_err);

    const int threads = options.threads > 0 ? options.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    // One renderer (a oneTBB arena) per frame under way: each frame's thread enters its own arena,
    // and oneTBB shares its `threads` workers among them. As many frames as threads are under way,
    // fewer when that many would not fit in memory.
    const std::size_t wanted = std::size_t(std::min<std::uint64_t>(work.size(), std::uint64_t(threads)));
    const std::uint64_t frameBytes = RenderLimits::getFrameBytes(frame.getWidth(), frame.getHeight(), inputChannels);
    const std::size_t inFlight = RenderLimits::getFramesInFlight(wanted, frameBytes, memory);
    if (inFlight < wanted && !options.quiet)
        m_err << kPrefix << "note: " << inFlight << (inFlight == 1 ? " frame" : " frames") << " under way at once, not "
              << wanted << ": a frame needs about " << frameBytes / (1024 * 1024) << " MiB of the "
              << memory / (1024 * 1024) << " MiB of memory available\n";
    std::vector<std::unique_ptr<TileRenderer>> renderers;
    for (std::size_t k = 0; k < inFlight; ++k)
        renderers.push_back(std::make_unique<TileRenderer>(threads, options.tileSize, options.tileSize));
    // The image I/O library is loaded here, for runs that write files.
    const std::unique_ptr<FrameOutput> writer =
        output && !movie ? ImageIO::get().createFrameWriter(options.zipLevel) : std::unique_ptr<FrameOutput>();
    // A movie: frames converted on the workers, encoded in order on a thread of its own, a few
    // frames a worker waiting at most.
    std::unique_ptr<MovieOutput> movieQueue;
    if (movie) {
        const GeRectangle<int> picture = TileRenderer::getFullFrame(*proc, options.level);
        MovieWriter::Options encoding;
        encoding.codec = *movieCodec;
        encoding.crf = doc.crf.value_or(kDefaultCrf);
        encoding.width = picture.getWidth();
        encoding.height = picture.getHeight();
        encoding.rate = rate;
        encoding.timecode = movieStartTimecode(doc, rate, work.first(), source);
        encoding.colour = movieColourTags(colour);
        movieQueue = MovieIO::get().createOutput(doc.output, encoding, 2 * inFlight);
    }
    ProgressReporter progress = ProgressReporter::forStderr(work.size(), options.quiet, !options.quiet);
    PxRequestMgr::getInstance().waitForIdle();

    std::mutex errMutex;
    std::atomic<bool> sizeWarned{false};
    std::atomic<bool> timeCodeRateWarned{false};
    const RCShdPtr<LiTimeCode> counting = LiTimeCodeFactory::getInstance().createTimeCode(rate, doc.dropFrame ? 0 : 1);
    // With --timecode-from input every frame needs a header timecode, unless a start timecode
    // counts the frames without one; one counted at another rate is used as it stands, and said
    // once.
    const auto checkHeaderTimeCode = [&](const SourceFrame& input) {
        const std::string* header = input.metadata ? input.metadata->find(PxMetadata::getTimeCodeName()) : nullptr;
        if (!header) {
            if (doc.startTimecode.empty())
                throw std::runtime_error("Input frame " + std::to_string(input.frame) + " " + inQuotes(input.path) +
                                         " has no timecode in its header (" + PxMetadata::getTimeCodeName() +
                                         "), which --timecode-from input reads; give --start-timecode as well to "
                                         "count on from it where frames have none");
            return;
        }
        const std::optional<Rational>& headerRate = input.headerFrameRate;
        const bool frameFieldFits =
            header->size() >= 2 && std::stoi(header->substr(header->size() - 2)) < counting->getNominalRate();
        if ((headerRate && *headerRate != rate) || !frameFieldFits) {
            if (timeCodeRateWarned.exchange(true))
                return;
            std::ostringstream rates;
            if (headerRate)
                rates << " at " << formatRate(*headerRate) << " frames a second";
            else
                rates << ", whose frame field does not fit " << formatRate(rate) << " frames a second";
            const std::lock_guard<std::mutex> lock(errMutex);
            m_err << kPrefix << "warning: frame " << input.frame << " " << inQuotes(input.path)
                  << " carries the timecode " << *header << rates.str() << ", the composition counts "
                  << formatRate(rate) << ": it is shown as it stands; other frames are not reported\n";
        }
    };
    // One frame: its input decoded first (so that no tile waits on the decode), its tiles
    // rendered on the renderer's workers, then written.
    const auto renderOneFrame = [&](std::int64_t frameNumber, std::size_t worker, std::uint64_t index) {
        const TileRenderer& renderer = *renderers[worker];
        const double seconds = TmTimeUtil::getSecondsFromFrames(rate, frameNumber);
        std::shared_ptr<const SourceFrame> input;
        if (source)
            input = source->getFrame(frameNumber);
        if (input && doc.timecodeFromInput)
            checkHeaderTimeCode(*input);
        // A frame of another size than the sequence's first is rendered (placed top left, padded
        // with transparent black) and reported once: a dailies run goes on, and says so.
        if (input) {
            const OIIO::ImageSpec& spec = input->spec;
            const int width = spec.full_width > 0 ? spec.full_width : spec.width;
            const int height = spec.full_height > 0 ? spec.full_height : spec.height;
            if ((width != frame.getWidth() || height != frame.getHeight()) && !sizeWarned.exchange(true)) {
                const std::lock_guard<std::mutex> lock(errMutex);
                m_err << kPrefix << "warning: frame " << frameNumber << " " << inQuotes(input->path) << " is " << width
                      << "x" << height << ", the sequence is " << frame.getWidth() << "x" << frame.getHeight()
                      << " (frame " << frames.first() << "): it is placed at the top left, the rest transparent "
                      << "black; other frames of another size are not reported\n";
            }
        }
        if (options.nullOutput) {
            renderer.renderNull(*proc, seconds, options.level);
            return;
        }
        if (movieQueue) {
            movieQueue->submit(index, renderer, *proc, seconds, options.level);
            return;
        }
        writer->write(renderer, *proc, seconds, options.level, output->path(frameNumber), input.get());
    };
    // A frame as a farm sees it: left alone when --skip-existing finds its file, counted and
    // logged when it finishes or fails.
    const auto renderFrame = [&](std::int64_t frameNumber, std::size_t worker, std::uint64_t index) {
        const auto started = std::chrono::steady_clock::now();
        const auto elapsed = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        };
        const std::optional<std::string> path =
            output ? std::optional<std::string>(output->path(frameNumber)) : std::nullopt;
        // A frame reaches its name only by the rename of a complete temporary file, so a file
        // under the frame's name is whole; temporaries, another attempt's ones included, have
        // names of their own and are never taken for a frame.
        std::error_code error;
        if (options.skipExisting && path && fs::is_regular_file(*path, error)) {
            if (log)
                log->log(frameNumber, path, elapsed(), FrameLog::Status::Skipped);
            progress.frameSkipped();
            return;
        }
        try {
            renderOneFrame(frameNumber, worker, index);
        } catch (const std::exception& e) {
            if (log)
                log->log(frameNumber, path, elapsed(), FrameLog::Status::Failed, std::string(e.what()));
            // The frames after this one in the movie would wait for it for ever.
            if (movieQueue)
                movieQueue->abort();
            throw;
        }
        if (log)
            log->log(frameNumber, path, elapsed(), path ? FrameLog::Status::Written : FrameLog::Status::Rendered);
        progress.frameDone();
    };
    if (const int signal = getStopSignal()) {
        m_err << kPrefix << "stopped by " << signalName(signal) << " before the first frame\n";
        return 128 + signal;
    }
    // A movie's frames are scheduled by their place in it, which says where each goes.
    const FrameRange scheduled = movie ? FrameRange::fromTo(0, std::int64_t(work.size()) - 1) : work;
    FrameRunOutcome outcome = FrameScheduler::run(
        scheduled, inFlight,
        [&](std::int64_t item, std::size_t worker) {
            if (movie)
                renderFrame(work.at(std::uint64_t(item)), worker, std::uint64_t(item));
            else
                renderFrame(item, worker, 0);
        },
        {}, [] { return getStopSignal() != 0; });
    if (movie && outcome.failure)
        outcome.failure->frame = work.at(std::uint64_t(outcome.failure->frame));
    // The movie is complete only with every frame in it; otherwise its temporary file goes.
    std::string movieError;
    if (movieQueue && !outcome.failure && outcome.threadError.empty() && !outcome.stopped) {
        try {
            movieQueue->finish(work.size());
        } catch (const std::exception& e) {
            movieError = e.what();
        }
    }
    movieQueue.reset();
    progress.finish();
    if (!movieError.empty())
        m_err << kPrefix << movieError << "\n";
    if (!outcome.threadError.empty())
        m_err << kPrefix << outcome.threadError << "\n";
    if (outcome.failure)
        m_err << kPrefix << "frame " << outcome.failure->frame << ": " << outcome.failure->message << "\n";
    if (const int signal = getStopSignal(); signal && outcome.stopped) {
        m_err << kPrefix << "stopped by " << signalName(signal) << " after " << outcome.framesDone << " of "
              << work.size()
              << (movie ? " frames; no movie was written\n" : " frames; every frame written is complete\n");
        scene.close();
        return 128 + signal;
    }

    if (!options.save.empty())
        writeCompositionFile(scene.toDocument(), options.save);
    scene.close();
    if (movie && !outcome.failure && outcome.threadError.empty() && movieError.empty() && !options.quiet)
        m_err << kPrefix << "wrote " << inQuotes(doc.output) << ": " << work.size()
              << (work.size() == 1 ? " frame, " : " frames, ") << getMovieCodecName(*movieCodec) << "\n";
    return outcome.failure || !outcome.threadError.empty() || !movieError.empty() ? kRenderFailure : 0;
}

} // namespace Vx::Render
