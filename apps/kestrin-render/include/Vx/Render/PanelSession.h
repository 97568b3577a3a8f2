// The composition the browser panel edits: built as kestrin-render builds it, changed one user
// edit at a time through the composition's command stack, rendered for the preview by the same
// engine, saved as --save saves it.
//
//   page --set/undo/redo/plate--> PanelSession --CmCommandStack--> Slate node --> SlateController
//        <--state (values, styles, enabled widgets, warnings)--    (style reaction, companions)
//   page --preview(frame, level)--> TileRenderer at that level --> PNG, as a .png output holds it
//
// The widgets come from the tool's user-interface description (its widget names); for each the
// session asks the Slate node's controller for a companion and holds it: "Slate" gets the host's
// PanelSlateCompanion (installed as the PiWidgetCompanionFactory while the session lives), which
// lists the installed families and the styles of the chosen one; "Output" gets the controller's
// own companion, which enables the widget only while no plate is connected.
//
// Every operation runs on the main (graph) thread: PanelServer hands its requests to that thread.
// Errors a user can make (a bad value, a frame outside the range, nothing to undo, no file to
// save to) are std::invalid_argument with a message naming the input or value at fault.
#pragma once

#include <Vx/Msg/MsgSink.h>
#include <Vx/Pi/PiWidgetCompanionFactory.h>
#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/FrameWriter.h>
#include <Vx/Render/RenderOptions.h>
#include <Vx/Render/SceneBuilder.h>
#include <Vx/Render/TileRenderer.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Vx::Render {

/// The "Slate" widget's companion the panel's host makes: the five inputs the widget edits
/// together (Text, Text Font, Text Style, Drop Shadow, Box), the families it offers and the
/// styles of the chosen family.
class PanelSlateCompanion : public RCObject
{
public:
    explicit PanelSlateCompanion(std::vector<RCShdPtr<const PiInput>> inputs) : m_inputs(std::move(inputs)) {}
    /// The installed font families, sorted as the font manager lists them.
    std::vector<std::string> getFamilies() const;
    /// The style labels the family now chosen in "Text Font" has; empty for an unknown family.
    std::vector<std::string> getStyles() const;

private:
    std::vector<RCShdPtr<const PiInput>> m_inputs;
};

class PanelSession
{
public:
    /// Builds `file` with `options` over it as a render would (the same errors, before anything
    /// is served). `pluginFolder`: where the tool's user-interface description lies.
    PanelSession(const std::optional<CompositionDoc>& file, const RenderOptions& options,
                 const std::string& pluginFolder);
    ~PanelSession();
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    /// Converts the plate's colour as a render to PNG would (--colorspace-in/out, --display,
    /// --view; the configuration found from `executablePath`), so that the preview is the PNG
    /// kestrin-render writes. Throws UsageError for a name the configuration does not know.
    void setUpColour(const std::string& executablePath);

    /// What the page builds itself from: the user-interface description's text, the Slate
    /// node's inputs (describeInputJson, in the node's order), the frame range, the command line
    /// that renders the saved file, and the current state.
    nlohmann::ordered_json describe() const;
    /// The values of every input, the styles the chosen family has, each widget's enabled state,
    /// whether the plate is connected, the undo and redo counts and the warnings per input.
    nlohmann::ordered_json getState() const;

    /// Writes `value` to input `name` as one user edit (with the reactions it brings).
    nlohmann::ordered_json setInput(const std::string& name, const nlohmann::ordered_json& value);
    nlohmann::ordered_json undo();
    nlohmann::ordered_json redo();
    /// Connects the plate to the Slate node's primary input, or disconnects it: one user edit.
    nlohmann::ordered_json setPlateConnected(bool connected);

    /// The composition's first frame, the preview's default.
    std::int64_t getFirstFrame() const { return m_doc.first; }
    /// Frame `frame` at resolution level `level` (0 to 2), as the PNG a .png output of it holds.
    std::vector<unsigned char> renderPreview(std::int64_t frame, int level) const;
    /// Writes the composition to the file the command line named (--save, else COMPOSITION.json);
    /// returns {"path", "command"}.
    nlohmann::ordered_json save();

private:
    class CompanionFactory;
    class Messages;

    /// Runs `edit` as one command of the composition's stack, collecting the warnings it brings.
    void runEdit(const std::string& name, const std::function<void()>& edit);
    CompositionDoc currentDocument() const;
    std::string commandLine(const std::string& path) const;

    RenderOptions m_options;
    CompositionDoc m_doc;
    std::string m_uiDescription;
    std::unique_ptr<CompanionFactory> m_factory;
    RCShdPtr<Messages> m_messages;
    RCShdPtr<MsgSink> m_previousSink;
    SceneBuilder m_scene;
    RCShdPtr<PiNode> m_plate;
    std::vector<std::pair<RCShdPtr<PiWidget>, RCShdPtr<RCObject>>> m_widgets;
    std::unique_ptr<TileRenderer> m_renderer;
    FrameWriter m_writer;
};

} // namespace Vx::Render
