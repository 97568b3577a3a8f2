// SlateController: the graph-side object of one Slate node.
//
// The host makes one controller per Slate node through the tool's descriptor protocol and tells
// it everything that happens to the node. The controller
//   - declares the tool's inputs (describe, with the package-wide policies made by
//     createStaticPolicies at package initialisation);
//   - keeps the stored value "Substituted Text" equal to "Text" with the composition tokens
//     (CompName, CompLength, VersionName, VersionNo) and the composition's attribute references
//     replaced, re-running the substitution when the text, the composition's attributes or the
//     graph's time range change;
//   - warns about a font the font manager does not know or a style the font lacks, and picks a
//     style the font offers when the font changes;
//   - warns, once for as long as they stay missing, about characters of the text that neither the
//     font nor any installed fallback font has (drawn as the font's missing-glyph box);
//   - builds the processing chain (a SlateProcNode over the primary input's image, or over a
//     colour source with the generator's repeat and time offset when nothing is connected) and
//     sends it the substituted text and the generator's format by set-requests;
//   - gives the user interface its widget companions ("Slate" from an installed factory,
//     "Output" enabled only while the primary input is free).
//
//   Text --substituteText--> Substituted Text --valueChanged/set-request--> SlateProcNode.text
//                                                   (FrameNo, Timecode replaced per frame there)
//
// Threads: everything here runs on the host's main (graph) thread. The only data handed to the
// worker threads are the copies carried by set-requests.
#pragma once

#include "SlateProcNode.h"

#include <Vx/Cb/CbHandler.h>
#include <Vx/Msg/MsgSubscription.h>
#include <Vx/Ob/ObObserver.h>
#include <Vx/Om/OmComponent.h>
#include <Vx/Pi/PiComposition.h>
#include <Vx/Pi/PiImageModifier.h>
#include <Vx/Pi/PiInputValue.h>
#include <Vx/Pi/PiValue.h>
#include <Vx/Px/PxImageFormatNode.h>
#include <Vx/Tm/TmTimeProtocol.h>

#include <cstddef>
#include <string>

namespace Vx {

/// The names under which the Slate tool declares its inputs, its stored value and the widgets of
/// its user-interface description. A member of a structured input is the structure's name, ".",
/// the member's name ("Offset.X").
namespace SlateNames {
extern const std::string kSubstitutedText;
extern const std::string kText;
extern const std::string kTextFont;
extern const std::string kTextStyle;
extern const std::string kTextSize;
extern const std::string kTextColor;
extern const std::string kTextOpacity;
extern const std::string kDropShadow;
extern const std::string kDropShadowColor;
extern const std::string kDropShadowOpacity;
extern const std::string kDropShadowOffset;
extern const std::string kBox;
extern const std::string kBoxColor;
extern const std::string kBoxOpacity;
extern const std::string kBoxMargin;
extern const std::string kOffset;
extern const std::string kX;
extern const std::string kY;
extern const std::string kHorizontalAlignment;
extern const std::string kVerticalAlignment;
extern const std::string kOutline;
extern const std::string kOutlineWidth;
extern const std::string kOutlineColor;
extern const std::string kOutlineOpacity;
extern const std::string kDropShadowSoftness;
extern const std::string kStableLayout;
extern const std::string kSlateWidget;
extern const std::string kOutputWidget;
} // namespace SlateNames

class SlateController : public PiImageModifier, public PiValueChangeInterface, public ObObserver<Om>
{
public:
    /// Makes the companion of the "Slate" widget. Implemented by the user-interface module and
    /// installed with setUiFactory; the controller never owns or deletes it. Main thread.
    class UiFactory
    {
    public:
        virtual ~UiFactory() = default;
        /// The companion for a read-only view of the node: the widget, the inputs "Text",
        /// "Text Font", "Text Style", "Drop Shadow" and "Box", and the host's context code.
        virtual RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>& widget, const RCShdPtr<const PiInput>& text,
                                          const RCShdPtr<const PiInput>& textFont,
                                          const RCShdPtr<const PiInput>& textStyle,
                                          const RCShdPtr<const PiInput>& dropShadow, const RCShdPtr<const PiInput>& box,
                                          int context) = 0;
        /// The same for an editable node.
        virtual RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>& widget, const RCShdPtr<PiInput>& text,
                                          const RCShdPtr<PiInput>& textFont, const RCShdPtr<PiInput>& textStyle,
                                          const RCShdPtr<PiInput>& dropShadow, const RCShdPtr<PiInput>& box,
                                          int context) = 0;
    };

    /// Made by the tool's descriptor protocol, which then attaches the described input policies.
    SlateController();
    /// Detaches the observers and time callbacks and releases the processing handles; never
    /// throws (see the definition for what is skipped when the node is out of reach).
    ~SlateController() override;

    /// Writes the tool's inputs into `descriptor`, in the order the host shows and saves them.
    /// Needs the package-wide policies (createStaticPolicies); raises the host's null-pointer
    /// exception without them.
    static void describe(PiImageModifier::Descriptor& descriptor);
    /// Makes the four package-wide policies (font, style, horizontal and vertical alignment),
    /// replacing any made before. Package initialisation, before the tool is registered.
    static void createStaticPolicies();
    /// Drops the package-wide policies; doing it again does nothing. Package termination.
    static void releaseStaticPolicies();

    /// Installs the factory of "Slate" companions for every controller (null uninstalls it).
    /// The caller keeps ownership and keeps it alive while installed.
    static void setUiFactory(UiFactory* factory);

    /// The subscriptions of the tool's messages (three warnings and an error), for the tool's
    /// registration to hand to the message server while the message file is open.
    static const MsgSubscription& getInvalidFontSubscription();
    static const MsgSubscription& getInvalidStyleSubscription();
    static const MsgSubscription& getTextTooLongSubscription();
    static const MsgSubscription& getMissingCharactersSubscription();

    /// The longest substituted text, in bytes (1 MiB): substitution may not make the text longer
    /// than this (a text typed longer may not grow at all).
    static constexpr std::size_t kMaxSubstitutedLength = std::size_t(1) << 20;

    /// `rawText` with the tokens CompName, VersionName, VersionNo and CompLength replaced (in that
    /// order, in one pass) and then the composition's attribute references. Reads the node, its
    /// graph and the composition afresh; changes nothing. Throws std::length_error as soon as the
    /// result would pass kMaxSubstitutedLength. Raises the host's null-pointer exception before
    /// the node is set up.
    std::string substituteText(const std::string& rawText) const;
    /// Recomputes the substituted text and stores it (unrecorded) when it differs from
    /// "Substituted Text" and the graph is modifiable. The update handler of the "Text" value.
    /// A text whose substitution would pass kMaxSubstitutedLength is reported as an error
    /// message naming the node (SLATETOOL_ERR_TEXT_TOO_LONG) and stored as typed.
    void updateSubstitutedText();

    // PiNodeController
    /// A new node: keeps "Substituted Text", resets the stored values and inputs, then sets up.
    void nodeAdded() override;
    /// Sets up for the node: substitution, font and style checks, observers and time callbacks.
    /// Stops early without a buffer manager or without a source for "Text"; waits for the end of
    /// a command being processed.
    void nodeLoaded() override;

    // PiToolInterface
    /// Resets the stored values, then the inputs.
    void reset() override;

    // PiImageModifier
    /// Builds the processing chain and returns its last node (see slateControllerGraph.cpp).
    PxNodePtr<PxImageProtocol const> createModifierProcNode(OutputPublisher& publisher,
                                                            const PxNodePtr<PxImageProtocol const>& inputNode) override;

    // PiTopologyInterface
    /// Rebuilds the processing chain when the primary input is connected.
    void inputConnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output) override;
    /// Rebuilds the processing chain when the primary input is disconnected.
    void inputDisconnected(const RCShdPtr<PiInput>& input, const RCShdPtr<PiOutput>& output) override;

    // PiUserInterface
    /// "Slate": the installed factory's companion (null without a factory); anything else: null.
    RCShdPtr<RCObject> createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context) const override;
    /// As the read-only overload, and for "Output" a companion that disables the widget while
    /// the primary input is connected.
    RCShdPtr<RCObject> createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context) override;

    // PiValueChangeInterface
    /// Forwards "Substituted Text" and the generator's format to the processing chain; the
    /// format's frame rate also goes to the SlateProcNode, whose timecode counts at it.
    void valueChanged(const RCShdPtr<PiValue>& value) override;

    // ObObserver<Om>
    /// Re-runs the substitution on attribute, link and name changes of the node or the
    /// composition, on name changes of the graph (the version), and on changes of no component
    /// in particular (default settings).
    void update(const ObSubject<Om>& subject, const ObHints& hints) override;

    /// The SlateProcNode of the latest build; empty before the first. For inspection only.
    const PxStrongHndl<SlateProcNode>& getSlateProcNode() const { return slateNode; }
    /// The format node of the latest generator-form build; empty after a modifier-form build.
    const PxStrongHndl<PxImageFormatNode>& getFormatNode() const { return formatNode; }

private:
    using Handler = CbMethod<SlateController, void>;

    void updateTextValue();
    void updateFontValue();
    void updateStyleValue();
    void installStyleAdjustment();
    void checkFont();
    void checkStyle();
    void adjustStyle();
    /// Warns about the characters of the substituted text that no installed font has, unless the
    /// same characters were reported last.
    void checkCharacters();
    void timeChanged(const TmTimeEvent& event);
    /// While the node's command stack processes a command, registers `handler` to run once it
    /// has been processed and returns true; otherwise unregisters it and returns false.
    bool deferWhileCommandRuns(Handler& handler);
    void detachFromHost() noexcept;

    Handler setUpRetryHandler;
    Handler textInvalidatedHandler;
    Handler textUpdatedHandler;
    Handler fontInvalidatedHandler;
    Handler fontUpdatedHandler;
    Handler styleSourceInvalidatedHandler;
    Handler styleAdjustHandler;
    Handler styleInvalidatedHandler;
    Handler styleUpdatedHandler;
    CbMethod<SlateController, void, const TmTimeEvent&> timeChangedHandler;
    RCShdPtr<const PiComposition> composition;
    RCShdPtr<const PiInputValue<std::string>> textValue;
    RCShdPtr<const PiInputValue<std::string>> fontValue;
    RCShdPtr<const PiInputValue<int>> styleValue;
    RCShdPtr<const PiInputValue<std::string>> styleSourceValue;
    PiTypedValueUtil<std::string> substitutedText;
    PxStrongHndl<SlateProcNode> slateNode;
    PxStrongHndl<PxImageFormatNode> formatNode;
    std::string reportedMissingCharacters; ///< the characters the last warning named, as it named them
};

} // namespace Vx
