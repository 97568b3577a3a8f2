// The Slate controller's life with its node: set-up, the value handlers (substitution, font and
// style checks, style adjustment), object-model and time notifications, the hand-over of changes
// to the processing chain, and the tear-down.
#include "slateController.h"

#include "SlateTool.h"

#include <Vx/Cm/CmCommandStack.h>
#include <Vx/Fo/FoFontMgr.h>
#include <Vx/Li/LiString.h>
#include <Vx/Li/LiUtf8.h>
#include <Vx/Msg/MsgWarning.h>
#include <Vx/Om/OmCompositionGraphUtils.h>
#include <Vx/Om/OmDefaultSettings.h>
#include <Vx/Pi/PiImageGenerator.h>
#include <Vx/Pi/PiUndoGuardNoLog.h>
#include <Vx/Px/PxRequestMgr.h>
#include <Vx/St/StBufferManager.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>

namespace Vx {

namespace {

const MsgSubscription s_invalidFont("SLATETOOL_ERR_INVALID_FONT");
const MsgSubscription s_invalidStyle("SLATETOOL_ERR_INVALID_STYLE");
const MsgSubscription s_textTooLong("SLATETOOL_ERR_TEXT_TOO_LONG");
const MsgSubscription s_missingCharacters("SLATETOOL_ERR_MISSING_CHARACTERS");

/// The pixel size the character check opens the font at: which characters a font and its
/// fallbacks have does not depend on the size.
constexpr int kCharacterCheckPixels = 16;
/// The missing characters the warning names; more are counted.
constexpr std::size_t kMissingCharactersNamed = 16;

/// The style preference table: when the font changes, the row of the current style is tried from
/// left to right and the first style the new font has is chosen (Regular when none is).
constexpr std::array<std::array<int, 4>, 4> kStylePreference = {{
    {0, 1, 2, 3},
    {1, 0, 3, 2},
    {2, 3, 0, 1},
    {3, 1, 2, 0},
}};

std::string returnDatum(const std::string& datum)
{
    return datum;
}

/// A substitution handler that yields `value`, captured now.
RCShdPtr<LiStringSubstituter::Handler> makeValueHandler(const std::string& value)
{
    return RCShdPtr<LiStringSubstituter::Handler>(new CbDataFunction<std::string, std::string>(&returnDatum, value));
}

bool isProcessingState(int state)
{
    return state == PiCommandStack::Doing || state == PiCommandStack::Undoing;
}

/// The node's command stack as the concrete stack that takes command-processed callbacks; null
/// without one, the host's cast exception for a stack of another kind.
CmCommandStack* getCmCommandStack(const RCShdPtr<PiCommandStack>& stack)
{
    if (!stack)
        return nullptr;
    auto* concrete = dynamic_cast<CmCommandStack*>(stack.get());
    if (!concrete) {
        // Named first: typeid of an expression with a call in it warns under clang.
        const auto& actual = *stack;
        RCExUtil::throwExCastFailed(RCExUtil::typeName(typeid(actual)), RCExUtil::typeName(typeid(CmCommandStack)));
    }
    return concrete;
}

/// The graph's time protocol; the host's null-pointer exception when the graph controller is
/// gone, its cast exception when it does not speak the protocol.
TmTimeProtocol& getTimeProtocol(const PiGraph& graph, RCShdPtr<PiNodeController>& holder)
{
    holder = graph.getController().lock();
    if (!holder)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiNodeController>)));
    auto* time = dynamic_cast<TmTimeProtocol*>(holder.get());
    if (!time) {
        // Named first: typeid of an expression with a call in it warns under clang.
        const auto& actual = *holder;
        RCExUtil::throwExCastFailed(RCExUtil::typeName(typeid(actual)), RCExUtil::typeName(typeid(TmTimeProtocol)));
    }
    return *time;
}

bool contains(const std::vector<int>& styles, int style)
{
    return std::find(styles.begin(), styles.end(), style) != styles.end();
}

} // namespace

SlateController::SlateController()
    : PiImageModifier("<ToolUiDir>/slate.xml"), setUpRetryHandler(this, &SlateController::nodeLoaded),
      textInvalidatedHandler(this, &SlateController::updateTextValue),
      textUpdatedHandler(this, &SlateController::updateSubstitutedText),
      fontInvalidatedHandler(this, &SlateController::updateFontValue),
      fontUpdatedHandler(this, &SlateController::checkFont),
      styleSourceInvalidatedHandler(this, &SlateController::installStyleAdjustment),
      styleAdjustHandler(this, &SlateController::adjustStyle),
      styleInvalidatedHandler(this, &SlateController::updateStyleValue),
      styleUpdatedHandler(this, &SlateController::checkStyle), timeChangedHandler(this, &SlateController::timeChanged)
{
    PiImageGeneratorImp::addInputPolicies(*this);
}

SlateController::~SlateController()
{
    detachFromHost();
}

// A destructor must not throw, yet everything it detaches from is reached through the node: the
// node may already be unbound (a node destroyed without its graph's tear-down), its graph gone,
// or the graph's controller expired. Whatever cannot be reached is skipped: the observed subjects
// end their subscriptions with ObObserver's destructor, and every handler registration (time,
// command-processed, value handlers) ends when the handler, a member of this controller, dies.
// A host exception on the way is swallowed for the same reason.
void SlateController::detachFromHost() noexcept
{
    try {
        const RCShdPtr<PiNode> node = getNode();
        const RCShdPtr<PiGraph> graph = node ? node->getGraph() : RCShdPtr<PiGraph>();
        if (textValue && graph) {
            OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).detachObserver(this);
            static_cast<const OmSubjectInterface<OmComponentImp>&>(*graph).detachObserver(this);
            if (const RCShdPtr<PiNodeController> graphController = graph->getController().lock()) {
                if (auto* time = dynamic_cast<TmTimeProtocol*>(graphController.get())) {
                    time->removeCallback(TmTimeEvent::StartTimeChanged, &timeChangedHandler);
                    time->removeCallback(TmTimeEvent::EndTimeChanged, &timeChangedHandler);
                }
            }
        }
    } catch (...) {
    }
    try {
        formatNode.reset();
        slateNode.reset();
    } catch (...) {
        // Only a release on a worker thread fails, and then the handles' own destructors end the
        // process as the host requires; nothing more to do here.
    }
}

// ---------------------------------------------------------------------------------------------
// Messages

const MsgSubscription& SlateController::getInvalidFontSubscription()
{
    return s_invalidFont;
}

const MsgSubscription& SlateController::getInvalidStyleSubscription()
{
    return s_invalidStyle;
}

const MsgSubscription& SlateController::getTextTooLongSubscription()
{
    return s_textTooLong;
}

const MsgSubscription& SlateController::getMissingCharactersSubscription()
{
    return s_missingCharacters;
}

// ---------------------------------------------------------------------------------------------
// Substitution

std::string SlateController::substituteText(const std::string& rawText) const
{
    const RCShdPtr<const PiNode> node = getNode();
    const RCShdPtr<const PiGraph> graph = node->getGraph();
    const PiGraph& version = *graph;

    LiStringSubstituter substituter;
    substituter.addPattern(SlateTool::makeToken(SlateTool::getCompNameToken()),
                           makeValueHandler(composition->getName()));
    substituter.addPattern(SlateTool::makeToken(SlateTool::getVersionNameToken()), makeValueHandler(version.getName()));
    substituter.addPattern(SlateTool::makeToken(SlateTool::getVersionNumberToken()),
                           makeValueHandler(LiStringUtil::convertNb(composition->getVersionNumber())));

    const RCShdPtr<PiNodeController> graphController = version.getController().lock();
    if (!graphController)
        RCExUtil::throwExNullPtr(RCExUtil::typeName(typeid(RCShdPtr<PiNodeController>)));
    const auto* range = dynamic_cast<const PiCompositionGraphInterface*>(graphController.get());
    if (!range) {
        // Named first: typeid of an expression with a call in it warns under clang.
        const auto& actual = *graphController;
        RCExUtil::throwExCastFailed(RCExUtil::typeName(typeid(actual)),
                                    RCExUtil::typeName(typeid(PiCompositionGraphInterface)));
    }
    DtTime start;
    DtTime end;
    range->getTimeRange(start, end);
    const std::int64_t length = (end - start).getFrameCount();
    substituter.addPattern(SlateTool::makeToken(SlateTool::getCompLengthToken()),
                           makeValueHandler(LiStringUtil::convertNb(length)));

    std::string text = substituter.substitute(rawText, kMaxSubstitutedLength);
    // Attribute references come second, so that an attribute value may carry the frame tokens
    // through to the processing side, while composition tokens inside it stay as written. The
    // bound is the one of the whole text: a raw text over it may not grow by either pass.
    OmCompositionGraphUtils::substituteUdas(*graph, text, std::max(kMaxSubstitutedLength, rawText.size()));
    return text;
}

void SlateController::updateSubstitutedText()
{
    const std::string& rawText = textValue->getValue();
    std::string result;
    try {
        result = substituteText(rawText);
    } catch (const std::length_error&) {
        // Expanding stopped at the bound; the text is shown as typed, and the user told why.
        MsgWarning error(s_textTooLong, MsgSeverity::Error);
        error.substitute(getNode()->getName());
        error.substitute(LiStringUtil::convertNb(std::int64_t(kMaxSubstitutedLength)));
        error.display();
        result = rawText;
    }
    if (result != substitutedText->getValue()) {
        const RCShdPtr<PiGraph> graph = getNode()->getGraph();
        if (graph->isModifiable(true)) {
            // Derived from "Text": undoing the user's edit of the text brings it back anyway.
            PiUndoGuardNoLog noLog(false);
            substitutedText->setValue(result);
        }
    }
    checkCharacters();
    if (textValue->isInvalid())
        textValue->update();
}

// ---------------------------------------------------------------------------------------------
// Set-up

void SlateController::nodeAdded()
{
    const RCShdPtr<PiNode> node = getNode();
    substitutedText = PiTypedValueUtil<std::string>(node->getStoredValue(SlateNames::kSubstitutedText, true), true);
    PiImageGeneratorImp::resetStoredValues(*this);
    PiImageModifier::reset();
    nodeLoaded();
}

void SlateController::nodeLoaded()
{
    using namespace SlateNames;
    const RCShdPtr<PiNode> node = getNode();
    const RCShdPtr<PiGraph> graph = node->getGraph();
    composition = PiCompositionUtils::getComposition(RCShdPtr<const PiGraph>(graph.get()));
    substitutedText = PiTypedValueUtil<std::string>(node->getStoredValue(kSubstitutedText, true), true);

    // Without image memory (a process that only inspects compositions) there is nothing to show
    // a slate with; the stored text is kept as saved.
    if (!StBufferManager::isInitialized())
        return;

    if (deferWhileCommandRuns(setUpRetryHandler))
        return;

    const RCShdPtr<const PiInput> text(node->getInput(kText, true).get());
    if (!text->getOutput())
        return;

    textValue = PiInputValue<std::string>::createTypedRO(text, {});
    textValue->setInvalidationHandler(&textInvalidatedHandler);
    textValue->setUpdateHandler(&textUpdatedHandler);
    textValue->update();

    const RCShdPtr<const PiInput> font(node->getInput(kTextFont, true).get());
    fontValue = PiInputValue<std::string>::createTypedRO(font, {});
    fontValue->setInvalidationHandler(&fontInvalidatedHandler);
    fontValue->setUpdateHandler(&fontUpdatedHandler);

    styleValue = PiInputValue<int>::createTypedRO(RCShdPtr<const PiInput>(node->getInput(kTextStyle, true).get()), {});
    styleValue->setInvalidationHandler(&styleInvalidatedHandler);
    styleValue->setUpdateHandler(&styleUpdatedHandler);
    fontValue->update();
    styleValue->update();

    // A second view of the font whose update handler is installed only on its first change: a
    // loaded composition keeps its saved style, and only a font chosen afterwards adjusts it.
    styleSourceValue = PiInputValue<std::string>::createTypedRO(font, {});
    styleSourceValue->setInvalidationHandler(&styleSourceInvalidatedHandler);
    styleSourceValue->update();

    OmDefaultSettings::getInstance(OmSettingsTypes::COMPONENT_SCOPE).attachObserver(this);
    static_cast<const OmSubjectInterface<OmComponentImp>&>(*graph).attachObserver(this);
    static_cast<const OmSubjectInterface<OmComponentImp>&>(*composition).attachObserver(this);

    RCShdPtr<PiNodeController> graphController;
    TmTimeProtocol& time = getTimeProtocol(*graph, graphController);
    time.addCallback(TmTimeEvent::StartTimeChanged, &timeChangedHandler);
    time.addCallback(TmTimeEvent::EndTimeChanged, &timeChangedHandler);
}

bool SlateController::deferWhileCommandRuns(Handler& handler)
{
    CmCommandStack* stack = getCmCommandStack(getNode()->getCommandStack());
    if (!stack)
        return false;
    if (isProcessingState(stack->getState())) {
        stack->addCommandProcessedCallback(&handler);
        return true;
    }
    stack->removeCommandProcessedCallback(&handler);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Value handlers

void SlateController::updateTextValue()
{
    textValue->update();
}

void SlateController::updateFontValue()
{
    fontValue->update();
}

void SlateController::updateStyleValue()
{
    styleValue->update();
}

void SlateController::timeChanged(const TmTimeEvent& event)
{
    (void)event;
    textValue->update();
}

void SlateController::installStyleAdjustment()
{
    styleSourceValue->setUpdateHandler(&styleAdjustHandler);
    styleSourceValue->update();
}

void SlateController::checkFont()
{
    const std::string fontName = fontValue->getValue();
    if (FoFontMgr::getInstance().getFontStyles(fontName).empty()) {
        MsgWarning warning(s_invalidFont);
        // The message shows the name as a C string would: up to a stray NUL, not past it.
        warning.substitute(std::string(fontName.c_str()));
        warning.display();
    }
    checkCharacters();
    if (fontValue->isInvalid())
        fontValue->update();
}

void SlateController::checkStyle()
{
    // A style seen in the middle of a command (an undo of a font and style change, say) may not
    // match the font yet; judge it once the command is complete.
    if (deferWhileCommandRuns(styleUpdatedHandler))
        return;
    const std::string fontName = fontValue->getValue();
    const std::vector<int> styles = FoFontMgr::getInstance().getFontStyles(fontName);
    const int style = styleValue->getValue();
    if (!styles.empty() && !contains(styles, style)) {
        MsgWarning warning(s_invalidStyle);
        warning.substitute(FoFontMgr::getFontStyleName(style));
        warning.substitute(fontName);
        warning.display();
    }
    checkCharacters();
    if (styleValue->isInvalid())
        styleValue->update();
}

void SlateController::checkCharacters()
{
    if (!fontValue || !styleValue || substitutedText.isNull())
        return;
    const std::string fontName = fontValue->getValue();
    const int style = styleValue->getValue();
    // The font the processing node draws with: the default font stands in for an unknown family
    // or a missing style.
    FoFontMgr& fonts = FoFontMgr::getInstance();
    FoFont font = fonts.getFont(fontName, style, kCharacterCheckPixels, kCharacterCheckPixels);
    if (!font.isValid())
        font = fonts.getFont(fonts.getDefaultFont(), kCharacterCheckPixels, kCharacterCheckPixels);
    if (!font.isValid())
        return;

    const std::string& text = substitutedText->getValue();
    std::set<char32_t> missing;
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = LiUtf8::decodeNext(text, pos);
        // Controls are not drawn as characters (line feeds, tabs) or never were.
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            continue;
        if (font.getChar(static_cast<wchar_t>(c)).id == 0)
            missing.insert(c);
    }
    std::string named;
    std::size_t count = 0;
    for (const char32_t c : missing) {
        if (count++ == kMissingCharactersNamed) {
            named +=
                " and " + LiStringUtil::convertNb(std::int64_t(missing.size() - kMissingCharactersNamed)) + " more";
            break;
        }
        named += (named.empty() ? "" : " ") + LiUtf8::describe(c);
    }
    // Reported once for as long as the same characters are missing: the text is checked again on
    // every change of the text, the font or the style.
    if (named == reportedMissingCharacters)
        return;
    reportedMissingCharacters = named;
    if (named.empty())
        return;
    MsgWarning warning(s_missingCharacters);
    warning.substitute(named);
    warning.substitute(getNode()->getName());
    warning.display();
}

void SlateController::adjustStyle()
{
    const std::string fontName = fontValue->getValue();
    const std::vector<int> styles = FoFontMgr::getInstance().getFontStyles(fontName);
    const RCShdPtr<PiNode> node = getNode();
    const CmCommandStack* stack = getCmCommandStack(node->getCommandStack());
    // An unknown font has no style to prefer (the font check warns about it); during a command
    // the style must not be written, or the write would become part of the user's command.
    if (!styles.empty() && !(stack && isProcessingState(stack->getState()))) {
        const int style = styleValue->getValue();
        int choice = 0;
        if (style >= 0 && style < int(kStylePreference.size())) {
            for (const int candidate : kStylePreference[std::size_t(style)]) {
                if (contains(styles, candidate)) {
                    choice = candidate;
                    break;
                }
            }
        }
        if (choice != style) {
            const RCShdPtr<PiInputValue<int>> writable =
                PiInputValue<int>::createTyped(node->getInput(SlateNames::kTextStyle, true), {});
            writable->setValue(choice);
        }
    }
    if (fontValue->isInvalid())
        fontValue->update();
}

// ---------------------------------------------------------------------------------------------
// Notifications

void SlateController::update(const ObSubject<Om>& subject, const ObHints& hints)
{
    (void)subject;
    if (!textValue)
        return;
    const RCShdPtr<PiNode> node = getNode();
    const DbObjectId nodeId = node->getId();
    const DbObjectId graphId = node->getGraph()->getId();
    const DbObjectId compositionId = composition->getId();
    for (const RCShdPtr<const ObHint>& hint : hints.getContainer()) {
        const auto* change = dynamic_cast<const OmComponentsHint*>(hint.get());
        if (!change)
            continue;
        const RCShdPtr<const OmComponent>& component = change->getComponent();
        // The graph's name is the version name; its attributes are not referenced by the text.
        if (component && UuidUtil::equal(component->getId(), graphId) &&
            change->getKind() == OmComponentsHint::Kind::NameChanged) {
            textValue->update();
            return;
        }
        const bool concernsNode = !component || UuidUtil::equal(component->getId(), nodeId) ||
                                  UuidUtil::equal(component->getId(), compositionId);
        if (!concernsNode)
            continue;
        switch (change->getKind()) {
        case OmComponentsHint::Kind::AttributeAdded:
        case OmComponentsHint::Kind::AttributeRemoved:
        case OmComponentsHint::Kind::AttributeRenamed:
        case OmComponentsHint::Kind::AttributeChanged:
        case OmComponentsHint::Kind::LinkChanged:
        case OmComponentsHint::Kind::NameChanged:
            // One substitution reads every value afresh: more hints add nothing.
            textValue->update();
            return;
        default:
            break;
        }
    }
}

void SlateController::valueChanged(const RCShdPtr<PiValue>& value)
{
    const std::string& name = value->getName();
    if (name == SlateNames::kSubstitutedText && slateNode) {
        const RCShdPtr<PxRequest> request(
            new SlateProcNode::SetTextRequest(RCShdPtr<SlateProcNode>(slateNode.get()), &SlateProcNode::setText,
                                              substitutedText->getValue(), PxValidityInterval::FULL));
        PxRequestMgr::getInstance().queueRequest(request);
    } else if (name == PiImageGenerator::getFormatValueName() && formatNode) {
        const PiImageFormatValueConst format{RCShdPtr<const PiValue>(value.get())};
        const PxImageFormat newFormat = format.getValue();
        PxRequestMgr& requests = PxRequestMgr::getInstance();
        requests.queueRequest(
            RCShdPtr<PxRequest>(new PxImageFormatSetRequest(RCShdPtr<PxImageFormatNode>(formatNode.get()), newFormat)));
        if (slateNode)
            requests.queueRequest(RCShdPtr<PxRequest>(new SlateProcNode::SetFrameRateRequest(
                RCShdPtr<SlateProcNode>(slateNode.get()), &SlateProcNode::setFrameRate, newFormat.frameRate,
                PxValidityInterval::FULL)));
    }
}

void SlateController::inputConnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output)
{
    (void)output;
    if (input->isSame(getPrimaryInput()))
        forceCreateProcNodes();
}

void SlateController::inputDisconnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output)
{
    (void)output;
    if (input->isSame(getPrimaryInput()))
        forceCreateProcNodes();
}

void SlateController::reset()
{
    PiImageGeneratorImp::resetStoredValues(*this);
    PiImageModifier::reset();
}

} // namespace Vx
