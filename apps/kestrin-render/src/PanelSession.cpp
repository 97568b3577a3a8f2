// The composition the browser panel edits.
#include <Vx/Render/PanelSession.h>

#include <Vx/Cm/CmCommandStack.h>
#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Msg/MsgServer.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/Render/ColourManagement.h>
#include <Vx/Render/ImageSequenceSource.h>
#include <Vx/Render/InQuotes.h>
#include <Vx/Render/InputValues.h>
#include <Vx/Render/ReadTool.h>
#include <Vx/Render/RenderLimits.h>
#include <Vx/Render/RunSettings.h>
#include <Vx/Tm/TmTimeUtil.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace Vx::Render {

namespace {

using json = nlohmann::ordered_json;

/// The longest user-interface description read, in bytes.
constexpr std::size_t kMaxUiDescriptionBytes = 1 << 20;
/// The resolution levels the preview offers: full, a half, a quarter.
constexpr int kMaxPreviewLevel = 2;

/// `text` as one word of a POSIX shell command line.
std::string shellWord(const std::string& text)
{
    if (!text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isalnum(c) || std::string("/._-#@%+=:,").find(char(c)) != std::string::npos;
        }))
        return text;
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

/// The inputs a panel shows: every input but images, structures (their members show) and the
/// members of colours (the colour shows).
bool isPanelInput(const PiInput& input)
{
    if (input.isImageInput() || input.getSocketType() == PiSocketType::Structured)
        return false;
    const PiInput* parent = input.getParent();
    return !(parent && parent->getSocketType() == PiSocketType::Color);
}

/// The input a message of the tool concerns, by the message's id.
std::string inputOfMessage(const std::string& id)
{
    if (id.find("INVALID_FONT") != std::string::npos)
        return "Text Font";
    if (id.find("INVALID_STYLE") != std::string::npos)
        return "Text Style";
    return "Text";
}

} // namespace

std::vector<std::string> PanelSlateCompanion::getFamilies() const
{
    return FoFontMgr::getInstance().getFontFamilies();
}

std::vector<std::string> PanelSlateCompanion::getStyles() const
{
    const std::string family = piVariantGet<std::string>(m_inputs.at(1)->getContent().getConstant());
    std::vector<std::string> names;
    for (const int style : FoFontMgr::getInstance().getFontStyles(family))
        names.push_back(FoFontMgr::getFontStyleName(style));
    return names;
}

/// The host's widget companion factory while the panel lives: "Slate" widgets get a
/// PanelSlateCompanion, other widgets none.
class PanelSession::CompanionFactory : public PiWidgetCompanionFactory
{
public:
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>&, const std::vector<RCShdPtr<const PiInput>>& inputs,
                              int) override
    {
        return makeShared<PanelSlateCompanion>(inputs);
    }
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>&, const std::vector<RCShdPtr<PiInput>>& inputs, int) override
    {
        return makeShared<PanelSlateCompanion>(std::vector<RCShdPtr<const PiInput>>(inputs.begin(), inputs.end()));
    }
};

/// The tool's messages while the panel lives: kept per input they concern until that input is
/// edited (every one at undo, redo and plate changes) and passed on to the sink installed before. Errors are kept apart
/// for the build to fail with.
class PanelSession::Messages : public MsgSink
{
public:
    explicit Messages(RCShdPtr<MsgSink> next) : m_next(std::move(next)) {}
    void display(const MsgRecord& record) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (record.severity == MsgSeverity::Error && !m_error)
                m_error = record.text;
            m_byInput[inputOfMessage(record.id)].push_back(record.text);
        }
        if (m_next)
            m_next->display(record);
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_byInput.clear();
        m_error.reset();
    }
    /// Forgets the warnings about `input`: an edit of it answers them, or brings them again.
    void clear(const std::string& input)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_byInput.erase(input);
    }
    json toJson() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        json out = json::object();
        for (const auto& [input, texts] : m_byInput)
            out[input] = texts;
        return out;
    }
    std::optional<std::string> getError() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_error;
    }

private:
    RCShdPtr<MsgSink> m_next;
    mutable std::mutex m_mutex;
    std::map<std::string, std::vector<std::string>> m_byInput;
    std::optional<std::string> m_error;
};

PanelSession::PanelSession(const std::optional<CompositionDoc>& file, const RenderOptions& options,
                           const std::string& pluginFolder)
    : m_options(options), m_factory(std::make_unique<CompanionFactory>())
{
    m_messages = makeShared<Messages>(MsgServer::getInstance().getSink());
    m_previousSink = MsgServer::getInstance().setSink(m_messages);
    PiWidgetCompanionFactory::install(m_factory.get());
    try {
        m_doc = mergeOptions(file, options);
        // The preview converts the plate as a run of the composition would.
        m_options.colour = getRunColour(options, m_doc);
        m_scene.build(m_doc, options.composition, options, m_doc.first);
        if (const std::optional<std::string> error = m_messages->getError())
            throw UsageError(*error);
        for (const RCShdPtr<PiNode>& node : m_scene.getGraph()->getNodes())
            if (!m_plate && dynamic_cast<const ReadController*>(node->getController()))
                m_plate = node;

        // The widgets of the tool's user-interface description, each with its companion.
        const RCShdPtr<PiNode>& slate = m_scene.getSlateNode();
        auto* modifier = dynamic_cast<PiImageModifier*>(slate->getController());
        std::string path = modifier ? modifier->getUiDescriptionPath() : std::string();
        const std::string placeholder = "<ToolUiDir>";
        if (path.compare(0, placeholder.size(), placeholder) == 0)
            path = pluginFolder + path.substr(placeholder.size());
        std::ifstream in(path, std::ios::binary);
        if (!in)
            throw std::runtime_error("Cannot read the Slate tool's user-interface description " + inQuotes(path));
        std::ostringstream text;
        text << in.rdbuf();
        m_uiDescription = text.str().substr(0, kMaxUiDescriptionBytes);
        static const std::regex widgetPattern(R"re(<widget\s+name="([^"]+)")re");
        auto* ui = dynamic_cast<PiUserInterface*>(slate->getController());
        for (std::sregex_iterator it(m_uiDescription.begin(), m_uiDescription.end(), widgetPattern), end; it != end;
             ++it) {
            const auto widget = makeShared<PiWidget>((*it)[1].str());
            m_widgets.emplace_back(widget, ui ? ui->createWidgetCompanion(widget, 0) : RCShdPtr<RCObject>());
        }
        // The build's own edits are not the user's to undo.
        m_scene.getComposition()->getCommandStack()->clear();
        m_messages->clear();
        m_renderer = std::make_unique<TileRenderer>(int(std::max(1u, std::thread::hardware_concurrency())),
                                                    options.tileSize, options.tileSize);
    } catch (...) {
        m_widgets.clear();
        m_scene.close();
        PiWidgetCompanionFactory::install(nullptr);
        MsgServer::getInstance().setSink(m_previousSink);
        throw;
    }
}

void PanelSession::setUpColour(const std::string& executablePath)
{
    auto* const source = dynamic_cast<ImageSequenceSource*>(m_scene.getInputSource().get());
    std::shared_ptr<const ColourConversion> conversion = ColourConversion::choose(
        m_options.colour, executablePath, source ? &source->getFirstSpec() : nullptr, "preview.png");
    if (source)
        source->setColourConversion(std::move(conversion));
}

PanelSession::~PanelSession()
{
    m_widgets.clear();
    m_plate.reset();
    m_scene.close();
    PiWidgetCompanionFactory::install(nullptr);
    MsgServer::getInstance().setSink(m_previousSink);
}

json PanelSession::describe() const
{
    const RCShdPtr<PiNode>& slate = m_scene.getSlateNode();
    const Rational rate = m_scene.getComposition()->getFrameRate();
    json inputs = json::array();
    for (const RCShdPtr<PiInput>& input : slate->getInputs())
        if (isPanelInput(*input))
            inputs.push_back(describeInputJson(*slate, *input, rate));
    const std::string savePath = !m_options.save.empty() ? m_options.save : m_options.composition;
    json out{{"description", m_uiDescription},
             {"node", slate->getName()},
             {"inputs", inputs},
             {"first", m_doc.first},
             {"last", m_doc.last},
             {"levels", kMaxPreviewLevel},
             {"savePath", savePath},
             {"command", savePath.empty() ? json() : json(commandLine(savePath))}};
    out["state"] = getState();
    return out;
}

json PanelSession::getState() const
{
    const RCShdPtr<PiNode>& slate = m_scene.getSlateNode();
    const Rational rate = m_scene.getComposition()->getFrameRate();
    json values = json::object();
    for (const RCShdPtr<PiInput>& input : slate->getInputs())
        if (isPanelInput(*input))
            values[input->getName()] = formatInputContent(*input, rate);
    if (const RCShdPtr<PiValue> format = slate->getStoredValue(PiImageGenerator::getFormatValueName(), false)) {
        const PxImageFormat value = piVariantGet<PxImageFormat>(format->getContent().getConstant());
        values[format->getName()] = std::to_string(value.width) + "x" + std::to_string(value.height);
    }
    json widgets = json::object();
    json families = json::array();
    json styles = json::array();
    for (const auto& [widget, companion] : m_widgets) {
        widgets[widget->getName()] = widget->isEnabled();
        if (const auto* slateCompanion = dynamic_cast<const PanelSlateCompanion*>(companion.get())) {
            families = slateCompanion->getFamilies();
            styles = slateCompanion->getStyles();
        }
    }
    const RCShdPtr<CmCommandStack> stack = m_scene.getComposition()->getCommandStack();
    return json{{"values", values},
                {"families", families},
                {"styles", styles},
                {"widgets", widgets},
                {"plate", m_plate ? json(slate->getPrimaryInput()->isConnected()) : json()},
                {"undo", stack->getUndoCount()},
                {"redo", stack->getRedoCount()},
                {"undoName", stack->getUndoName()},
                {"warnings", m_messages->toJson()}};
}

void PanelSession::runEdit(const std::string& name, const std::function<void()>& edit)
{
    // The edit's own writes and the reactions they bring (a style suiting a new font) are
    // recorded as children of this one command and undone with it.
    m_scene.getComposition()->getCommandStack()->submit(makeShared<CmFunctionCommand>(name, edit, [] {}));
}

json PanelSession::setInput(const std::string& name, const json& value)
{
    const RCShdPtr<PiNode>& slate = m_scene.getSlateNode();
    const RCShdPtr<PiInput> input = slate->getInput(name, false);
    if (!input || !isPanelInput(*input))
        throw std::invalid_argument(inQuotes(name) + " is not an input the panel edits");
    const Rational rate = m_scene.getComposition()->getFrameRate();
    // Checked before the command runs, so that a refused value leaves neither the node nor the
    // history changed.
    PiNode* node = slate.get();
    // Warnings about other inputs stand (the tool says them once, when they arise); a new family
    // also answers for the style.
    m_messages->clear(name);
    if (name == "Text Font")
        m_messages->clear("Text Style");
    runEdit("Set " + name, [node, name, value, rate] { assignInput(*node, name, value, rate); });
    return getState();
}

json PanelSession::undo()
{
    const RCShdPtr<CmCommandStack> stack = m_scene.getComposition()->getCommandStack();
    if (stack->getUndoCount() == 0)
        throw std::invalid_argument("There is nothing to undo.");
    m_messages->clear();
    stack->undo();
    return getState();
}

json PanelSession::redo()
{
    const RCShdPtr<CmCommandStack> stack = m_scene.getComposition()->getCommandStack();
    if (stack->getRedoCount() == 0)
        throw std::invalid_argument("There is nothing to redo.");
    m_messages->clear();
    stack->redo();
    return getState();
}

json PanelSession::setPlateConnected(bool connected)
{
    if (!m_plate)
        throw std::invalid_argument("There is no plate to connect: start the panel with -i PATTERN.");
    const RCShdPtr<PiGraph>& graph = m_scene.getGraph();
    const RCShdPtr<PiInput> primary = m_scene.getSlateNode()->getPrimaryInput();
    if (primary->isConnected() != connected) {
        const RCShdPtr<PiOutput> output = m_plate->getOutput(PiImageModifier::getOutputName(), true);
        m_messages->clear();
        if (connected)
            graph->connect(output, primary);
        else
            graph->disconnect(primary);
    }
    return getState();
}

std::vector<unsigned char> PanelSession::renderPreview(std::int64_t frame, int level) const
{
    if (frame < m_doc.first || frame > m_doc.last)
        throw std::invalid_argument("Frame " + std::to_string(frame) + " lies outside the composition's range " +
                                    std::to_string(m_doc.first) + "-" + std::to_string(m_doc.last));
    if (level < 0 || level > kMaxPreviewLevel)
        throw std::invalid_argument("Preview level " + std::to_string(level) + ": it must be 0 (full), 1 (half) or " +
                                    std::to_string(kMaxPreviewLevel) + " (quarter)");
    // The set-requests of the last edit reach the processing nodes before the frame is asked for.
    PxRequestMgr::getInstance().waitForIdle();
    const PxNodePtr<PxImageProtocol const> proc = m_scene.getOutputProcNode();
    if (const PxStrongHndl<FrameSource> source = m_scene.getInputSource();
        source && m_scene.getSlateNode()->getPrimaryInput()->isConnected())
        source->getFrame(frame);
    const Rational rate = m_scene.getComposition()->getFrameRate();
    const OIIO::ImageBuf image = m_renderer->render(*proc, TmTimeUtil::getSecondsFromFrames(rate, frame), level);
    return m_writer.encodePng(image);
}

CompositionDoc PanelSession::currentDocument() const
{
    CompositionDoc doc = m_scene.toDocument();
    // The plate may have been disconnected or connected again since the build.
    const RCShdPtr<PiNode>& slate = m_scene.getSlateNode();
    const std::string& primary = slate->getPrimaryInput()->getName();
    const bool connected = slate->getPrimaryInput()->isConnected();
    doc.connections.erase(std::remove_if(doc.connections.begin(), doc.connections.end(),
                                         [&](const ConnectionDoc& c) {
                                             return m_plate && !connected && c.from == m_plate->getName() &&
                                                    c.to == slate->getName() && c.input == primary;
                                         }),
                          doc.connections.end());
    if (m_plate && connected &&
        std::none_of(doc.connections.begin(), doc.connections.end(),
                     [&](const ConnectionDoc& c) { return c.to == slate->getName() && c.input == primary; }))
        doc.connections.push_back(ConnectionDoc{m_plate->getName(), slate->getName(), primary});
    return doc;
}

std::string PanelSession::commandLine(const std::string& path) const
{
    std::string command = "kestrin-render " + shellWord(path);
    if (m_doc.output.empty())
        command += " -o " + shellWord("slate.####.png");
    return command;
}

json PanelSession::save()
{
    const std::string path = !m_options.save.empty() ? m_options.save : m_options.composition;
    if (path.empty())
        throw std::invalid_argument("There is no file to save to: start the panel with --save FILE.json (or with a "
                                    "composition file, which Save then replaces).");
    writeCompositionFile(currentDocument(), path);
    return json{{"path", path}, {"command", commandLine(path)}};
}

} // namespace Vx::Render
