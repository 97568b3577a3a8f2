// Building the host composition from a document and the command line.
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/SceneBuilder.h>

#include <Vx/Li/LiTimeCode.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiToolRegistry.h>
#include <Vx/Pi/PiUndoGuardNoLog.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Render/FileMetadata.h>
#include <Vx/Render/FrameRange.h>
#include <Vx/Render/FrameRate.h>
#include <Vx/Render/ImageIO.h>
#include <Vx/Render/InputValues.h>
#include <Vx/Render/ReadTool.h>
#include <Vx/Render/RunSettings.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>

namespace Vx::Render {

namespace {

using json = nlohmann::ordered_json;

/// A Read node without its sequence is a composition mistake; `origin` names the file, if any.
void checkReadHasFile(const NodeDoc& node, const std::string& origin)
{
    if (node.tool == ReadController::getToolName() && node.file.empty())
        throw std::invalid_argument(origin + "the Read node " + inQuotes(node.name) +
                                    " has no \"file\" (a sequence pattern such as \"plates/shot.####.exr\"; -i "
                                    "PATTERN gives the first Read node one)");
}

/// A name no node of `doc` has yet: `base`, else `base 2`, `base 3`...
std::string freeName(CompositionDoc& doc, const std::string& base)
{
    std::string name = base;
    for (int i = 2; doc.findNode(name); ++i)
        name = base + " " + std::to_string(i);
    return name;
}

NodeDoc* lastOfTool(CompositionDoc& doc, const std::string& tool)
{
    for (auto it = doc.nodes.rbegin(); it != doc.nodes.rend(); ++it)
        if (it->tool == tool)
            return &*it;
    return nullptr;
}

/// The node no connection leaves from, the last such in file order: the one drawn last.
std::string outputNodeName(const CompositionDoc& doc)
{
    for (auto it = doc.nodes.rbegin(); it != doc.nodes.rend(); ++it)
        if (std::none_of(doc.connections.begin(), doc.connections.end(),
                         [&](const ConnectionDoc& c) { return c.from == it->name; }))
            return it->name;
    return doc.nodes.empty() ? std::string() : doc.nodes.back().name;
}

NodeDoc* firstOfTool(CompositionDoc& doc, const std::string& tool)
{
    for (NodeDoc& node : doc.nodes)
        if (node.tool == tool)
            return &node;
    return nullptr;
}

/// The document's timecode origin, checked against `rate`: a start timecode the rate cannot count
/// and --drop-frame at a rate without drop-frame are errors naming the option (or the file).
LiTimeCodeOrigin checkTimeCodeOrigin(const CompositionDoc& doc, const std::string& origin, const RenderOptions& options,
                                     const Rational& rate)
{
    const LiTimeCodeOrigin timeCode{doc.startTimecode, doc.timecodeFromInput, doc.dropFrame};
    const RCShdPtr<LiTimeCode> formatter =
        LiTimeCodeFactory::getInstance().createTimeCode(rate, timeCode.getFormatterFlags());
    if (options.dropFrame.value_or(false) && !LiTimeCodeFactory::getInstance().createTimeCode(rate, 0)->isDropFrame())
        throw std::invalid_argument("--drop-frame: drop-frame counting exists only at 29.97 and 59.94 frames a "
                                    "second, not at " +
                                    doc.fps);
    if (!timeCode.start.empty()) {
        try {
            formatter->toFrameCount(timeCode.start);
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument(
                (options.startTimecode ? std::string("--start-timecode: ") : origin + "\"timecode\" \"start\": ") +
                e.what());
        }
    }
    return timeCode;
}

} // namespace

std::optional<std::pair<std::int64_t, std::int64_t>> findSequenceRange(const FramePattern& pattern)
{
    namespace fs = std::filesystem;
    // A movie's frames count from 1; it is opened here, so that one that cannot be is reported
    // as a missing sequence is, before anything is built.
    if (pattern.isMovie())
        return std::make_pair(std::int64_t(1), ImageIO::get().readMovieInfo(pattern.text()).frames);
    const std::string& prefix = pattern.prefix();
    const auto slash = prefix.rfind('/');
    const fs::path folder = slash == std::string::npos ? fs::path(".") : fs::path(prefix.substr(0, slash + 1));
    const std::string namePrefix = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    const std::string& suffix = pattern.suffix();
    std::optional<std::pair<std::int64_t, std::int64_t>> range;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= namePrefix.size() + suffix.size() || name.compare(0, namePrefix.size(), namePrefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string digits = name.substr(namePrefix.size(), name.size() - namePrefix.size() - suffix.size());
        if (digits.empty() || digits.size() > 12 ||
            !std::all_of(digits.begin() + (digits[0] == '-' ? 1 : 0), digits.end(),
                         [](unsigned char c) { return std::isdigit(c); }) ||
            digits == "-")
            continue;
        const std::int64_t frame = std::stoll(digits);
        // Only names the pattern itself would produce: the padding must match.
        if (fs::path(pattern.path(frame)).filename().string() != name)
            continue;
        if (!range)
            range = std::make_pair(frame, frame);
        range->first = std::min(range->first, frame);
        range->second = std::max(range->second, frame);
    }
    return range;
}

CompositionDoc mergeOptions(const std::optional<CompositionDoc>& file, const RenderOptions& options)
{
    CompositionDoc doc = file ? *file : CompositionDoc();
    // A movie input gives the rate and the range when nothing else does: opened once for both.
    std::optional<ImageIO::MovieInfo> movie;
    if (!file && !options.input.empty() && FramePattern::input(options.input).isMovie() &&
        (!options.fps || !options.range))
        movie = ImageIO::get().readMovieInfo(options.input);
    if (options.compName)
        doc.name = *options.compName;
    if (options.versionName)
        doc.versionName = *options.versionName;
    if (options.versionNumber)
        doc.versionNumber = *options.versionNumber;
    if (options.fps) {
        doc.fps = *options.fps;
    } else if (movie && movie->rate) {
        // A movie input runs at its own rate unless told otherwise.
        doc.fps = std::to_string(movie->rate->num) + "/" + std::to_string(movie->rate->den);
    }
    for (const auto& [name, value] : options.attributes) {
        // An attribute is referenced as <attr:name>: the name cannot be empty or hold the '>'.
        if (name.empty() || name.find('>') != std::string::npos)
            throw std::invalid_argument("--attr " + inQuotes(name + "=" + value) +
                                        ": an attribute name must not be empty nor hold '>'");
        doc.attributes[name] = value;
    }
    if (!options.output.empty())
        doc.output = options.output;

    const bool hadSlate = lastOfTool(doc, kSlateToolName) != nullptr;
    if (!lastOfTool(doc, kSlateToolName))
        doc.nodes.push_back(NodeDoc{freeName(doc, kSlateToolName), kSlateToolName, {}, {}, {}});
    if (!options.input.empty()) {
        if (NodeDoc* read = firstOfTool(doc, ReadController::getToolName())) {
            read->file = options.input;
        } else {
            const std::string name = freeName(doc, "Plate");
            doc.nodes.insert(doc.nodes.begin(), NodeDoc{name, ReadController::getToolName(), options.input, {}, {}});
            const std::string slate = lastOfTool(doc, kSlateToolName)->name;
            const std::string& primary = PiImageInputPolicy::getPrimaryInputName();
            doc.connections.erase(
                std::remove_if(doc.connections.begin(), doc.connections.end(),
                               [&](const ConnectionDoc& c) { return c.to == slate && c.input == primary; }),
                doc.connections.end());
            doc.connections.push_back(ConnectionDoc{name, slate, primary});
        }
    }

    // Each plain --layer stacks a new Slate node over the node drawn last; when the document had no
    // Slate node and nothing was set before the first --layer, that layer is the one added above.
    const bool firstLayerIsBase =
        !hadSlate && options.sets.empty() && !options.layers.empty() && !options.layers.front().select;
    bool skipped = !firstLayerIsBase;
    for (const SlateLayerOptions& layer : options.layers) {
        if (layer.select)
            continue;
        if (!skipped) {
            skipped = true;
            continue;
        }
        const std::string below = outputNodeName(doc);
        const std::string name = freeName(doc, kSlateToolName);
        doc.nodes.push_back(NodeDoc{name, kSlateToolName, {}, {}, {}});
        doc.connections.push_back(ConnectionDoc{below, name, PiImageInputPolicy::getPrimaryInputName()});
    }

    // A Read node needs its sequence before anything else reads the document's patterns.
    for (const NodeDoc& node : doc.nodes)
        checkReadHasFile(node, options.composition.empty() ? std::string()
                                                           : "Composition " + inQuotes(options.composition) + ": ");

    if (options.startTimecode)
        doc.startTimecode = *options.startTimecode;
    if (options.timecodeFromInput)
        doc.timecodeFromInput = true;
    if (options.dropFrame)
        doc.dropFrame = *options.dropFrame;
    mergeRunSettings(doc, options);
    if (doc.timecodeFromInput && !firstOfTool(doc, ReadController::getToolName()))
        throw std::invalid_argument((options.timecodeFromInput
                                         ? std::string("--timecode-from input")
                                         : "Composition " + inQuotes(options.composition) + ": \"timecode\" \"from\"") +
                                    ": there is no input sequence whose headers give the timecodes; give -i PATTERN");

    if (options.range) {
        doc.first = options.range->first;
        doc.last = options.range->second;
    } else if (!file) {
        std::optional<std::pair<std::int64_t, std::int64_t>> range;
        if (movie)
            range = std::make_pair(std::int64_t(1), movie->frames);
        else if (!options.input.empty())
            range = findSequenceRange(FramePattern::input(options.input));
        if (!range && !options.frames.empty()) {
            const FrameRange frames = FrameRange::parse(options.frames);
            range = std::make_pair(frames.lowest(), frames.highest());
        }
        if (range) {
            doc.first = range->first;
            doc.last = range->second;
        }
    }
    return doc;
}

SceneBuilder::~SceneBuilder()
{
    close();
}

void SceneBuilder::close()
{
    if (!m_composition)
        return;
    m_output.reset();
    m_slate.reset();
    m_read.reset();
    m_graph.reset();
    m_composition->close();
    PxRequestMgr::getInstance().waitForIdle();
    m_composition.reset();
}

void SceneBuilder::build(const CompositionDoc& doc, const std::string& docPath, const RenderOptions& options,
                         std::int64_t formatFrame)
{
    m_doc = doc;
    const std::string origin = docPath.empty() ? std::string() : "Composition " + inQuotes(docPath) + ": ";
    try {
        m_rate = parseFrameRate(doc.fps);
    } catch (const std::exception& e) {
        throw std::invalid_argument((options.fps ? std::string("--fps: ") : origin + "\"fps\": ") + e.what());
    }

    m_composition = PiComposition::create(doc.name, m_rate);
    {
        // Building the composition is not an edit anybody could undo.
        PiUndoGuardNoLog noLog;
        m_composition->setVersionNumber(doc.versionNumber);
        for (const auto& [name, value] : doc.attributes)
            m_composition->setAttribute(name, value);
    }
    m_composition->setTimeCodeOrigin(checkTimeCodeOrigin(doc, origin, options, m_rate));
    m_graph = m_composition->createGraph(doc.versionName, doc.first, doc.last + 1);

    const PiToolRegistry& registry = PiToolRegistry::getInstance();
    std::vector<RCShdPtr<PiNode>> slates;
    for (const NodeDoc& nodeDoc : doc.nodes) {
        if (!registry.findTool(nodeDoc.tool))
            throw std::invalid_argument(origin + "the node " + inQuotes(nodeDoc.name) + " uses the tool " +
                                        inQuotes(nodeDoc.tool) + ", which no plug-in registers");
        RCShdPtr<PiNode> node =
            m_graph->createNode(nodeDoc.name, OPtr<PiNodeController>(registry.createController(nodeDoc.tool)));
        if (nodeDoc.tool == ReadController::getToolName()) {
            checkReadHasFile(nodeDoc, origin);
            auto* read = dynamic_cast<ReadController*>(node->getController());
            if (read)
                read->setFormatFrame(formatFrame);
            assignInput(*node, ReadController::getFileInputName(), nodeDoc.file, m_rate);
            if (!m_read)
                m_read = node;
        }
        for (const auto& [name, value] : nodeDoc.inputs) {
            try {
                assignInput(*node, name, value, m_rate);
            } catch (const std::invalid_argument& e) {
                throw std::invalid_argument(origin + "node " + inQuotes(nodeDoc.name) + ": " + e.what());
            }
        }
        if (nodeDoc.tool == kSlateToolName)
            slates.push_back(node);
    }
    // The Slate node the options before any --layer address: the last one of the document as
    // given, before the plain --layer options added theirs.
    const std::size_t added = std::size_t(
        std::count_if(options.layers.begin(), options.layers.end(), [](const auto& l) { return !l.select; }));
    if (!slates.empty())
        m_slate = slates[slates.size() > added ? slates.size() - added - 1 : 0];

    std::vector<std::string> feeding;
    for (const ConnectionDoc& c : doc.connections) {
        const RCShdPtr<PiNode> from = m_graph->findNode(c.from);
        const RCShdPtr<PiNode> to = m_graph->findNode(c.to);
        const RCShdPtr<PiInput> input = to->getInput(c.input, false);
        if (!input || !input->isImageInput())
            throw std::invalid_argument(origin + "the connection from " + inQuotes(c.from) + " to " + inQuotes(c.to) +
                                        " names " + inQuotes(c.input) + ", which is not an image input of " +
                                        inQuotes(c.to));
        try {
            m_graph->connect(from->getOutput(PiImageModifier::getOutputName(), true), input);
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument(origin + "the connection from " + inQuotes(c.from) + " to " + inQuotes(c.to) +
                                        ": " + e.what());
        }
        feeding.push_back(c.from);
    }
    for (auto it = m_graph->getNodes().rbegin(); it != m_graph->getNodes().rend() && !m_output; ++it)
        if (std::find(feeding.begin(), feeding.end(), (*it)->getName()) == feeding.end())
            m_output = *it;

    if (options.size && m_slate && !m_slate->getPrimaryInput()->isConnected()) {
        try {
            assignInput(*m_slate, PiImageGenerator::getXResolutionInputName(), options.size->first, m_rate);
            assignInput(*m_slate, PiImageGenerator::getYResolutionInputName(), options.size->second, m_rate);
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument("--size " + std::to_string(options.size->first) + "x" +
                                        std::to_string(options.size->second) + ": " + e.what());
        }
    }
    if (m_slate && doc.first < 0 && !m_slate->getPrimaryInput()->isConnected()) {
        // A generated plate plays from its in time, 0 s unless set: a range that starts before
        // it would render empty frames there.
        const RCShdPtr<PiInput> inTime = m_slate->getInput(PiImageGenerator::getInTimeInputName(), false);
        if (inTime && holdsDefault(*inTime))
            assignInput(*m_slate, inTime->getName(), TmTimeUtil::getSecondsFromFrames(m_rate, doc.first), m_rate);
    }
    if (m_slate) {
        // A generated plate counts time at the composition's rate, so that <FrameNo> and
        // <Timecode> count the composition's frames.
        const RCShdPtr<PiValue> format = m_slate->getStoredValue(PiImageGenerator::getFormatValueName(), false);
        if (format) {
            PxImageFormat value = piVariantGet<PxImageFormat>(format->getContent().getConstant());
            value.frameRate = m_rate;
            PiUndoGuardNoLog noLog;
            format->setVariant(value);
        }
    }
    const auto applySets = [&](PiNode& slate, const std::vector<std::pair<std::string, std::string>>& sets) {
        for (const auto& [name, value] : sets) {
            try {
                assignInput(slate, name, json(value), m_rate);
            } catch (const std::invalid_argument& e) {
                throw std::invalid_argument("--set " + inQuotes(name + "=" + value) + ": " + e.what());
            }
        }
    };
    applySets(*m_slate, options.sets);
    std::size_t nextAdded = slates.size() - added;
    for (const SlateLayerOptions& layer : options.layers) {
        if (layer.select && std::size_t(*layer.select) > slates.size())
            throw std::invalid_argument("--layer " + std::to_string(*layer.select) + ": the composition has " +
                                        std::to_string(slates.size()) + " Slate node" +
                                        (slates.size() == 1 ? "" : "s") + " (--layer 1 to --layer " +
                                        std::to_string(slates.size()) + ")");
        applySets(*slates[layer.select ? std::size_t(*layer.select) - 1 : nextAdded++], layer.sets);
    }

    // The processing nodes are built now, so that a plate whose first frame cannot be read is
    // reported before rendering starts.
    getOutputProcNode();
    PxRequestMgr::getInstance().waitForIdle();
}

PxStrongHndl<FrameSource> SceneBuilder::getInputSource() const
{
    if (!m_read)
        return {};
    m_read->getProcNode();
    const auto* read = dynamic_cast<const ReadController*>(m_read->getController());
    return read ? read->getSource() : PxStrongHndl<FrameSource>();
}

PxNodePtr<PxImageProtocol const> SceneBuilder::getOutputProcNode() const
{
    const PxNodePtr<PxImageProtocol const> proc = m_output->getProcNode();
    if (!proc)
        throw std::runtime_error("The node " + inQuotes(m_output->getName()) + " produces no image.");
    return proc;
}

CompositionDoc SceneBuilder::toDocument() const
{
    CompositionDoc doc = m_doc;
    doc.name = m_composition->getName();
    doc.versionNumber = m_composition->getVersionNumber();
    doc.attributes = m_composition->getAttributes();
    for (NodeDoc& nodeDoc : doc.nodes) {
        const RCShdPtr<PiNode> node = m_graph->findNode(nodeDoc.name);
        nodeDoc.inputs.clear();
        nodeDoc.stored.clear();
        for (const RCShdPtr<PiInput>& input : node->getInputs()) {
            const std::string& name = input->getName();
            if (input->isImageInput() || input->getSocketType() == PiSocketType::Structured)
                continue;
            if (const PiInput* parent = input->getParent(); parent && parent->getSocketType() == PiSocketType::Color &&
                                                            !formatInputContent(*parent, m_rate).is_null())
                continue;
            if (nodeDoc.tool == ReadController::getToolName() && name == ReadController::getFileInputName()) {
                nodeDoc.file = piVariantGet<std::string>(input->getContent().getConstant());
                continue;
            }
            if (holdsDefault(*input) && !(nodeDoc.tool == kSlateToolName && name == "Text"))
                continue;
            const json value = formatInputContent(*input, m_rate);
            // A colour with keyframed members is written member by member (above).
            if (!value.is_null())
                nodeDoc.inputs.emplace_back(name, value);
        }
        if (nodeDoc.tool == kSlateToolName)
            if (const RCShdPtr<PiValue> substituted = node->getStoredValue("Substituted Text", false))
                nodeDoc.stored.emplace_back(substituted->getName(),
                                            piVariantGet<std::string>(substituted->getContent().getConstant()));
    }
    return doc;
}

} // namespace Vx::Render
