// Helpers of the Slate controller tests: a fixture holding a real host composition ("shot010",
// one graph "v001" over frames [1, 100) at 24 fps) with the tool's package-wide policies, the
// shipped message file and a sink that collects every displayed message; Slate nodes made the
// way the host makes them; and small tools to write inputs and count writes.
//
// Everything runs on the test's main thread, which plays the host's main (graph) thread.
#pragma once

#include "slate/SlateTestUtil.h"
#include "slateController.h"

#include <Vx/Msg/MsgFileGuard.h>
#include <Vx/Msg/MsgSink.h>
#include <Vx/Pi/PiComposition.h>
#include <Vx/Pi/PiValue.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Vx::test {

/// The tool's description as its registration gives it: the modifier's stored values and
/// output around the Slate catalogue.
void describeSlateTool(PiImageModifier::Descriptor& descriptor);

/// A new controller with every described policy attached, as the tool's protocol hands it over.
SlateController* makeSlateController();

/// Counts the changes of one value's content while it lives.
class ValueChangeCounter : public PiValueListener
{
public:
    explicit ValueChangeCounter(const RCShdPtr<PiValue>& value);
    ~ValueChangeCounter() override;
    void valueContentChanged() override { ++m_count; }
    int getCount() const { return m_count; }

private:
    RCShdPtr<PiValue> m_value;
    int m_count = 0;
};

class SlateControllerTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    /// A Slate node named `name`; `controller` receives its controller.
    RCShdPtr<PiNode> makeNode(const std::string& name, SlateController** controller = nullptr,
                              PiNodeOrigin origin = PiNodeOrigin::Created,
                              const std::map<std::string, PiValueContent>& saved = {});

    /// Writes `value` to input `name` outside any command (not recorded), as a script would.
    static void setInputUnrecorded(const RCShdPtr<PiNode>& node, const std::string& name, const PiVariant& value);

    static std::string getSubstitutedText(const RCShdPtr<PiNode>& node);
    static std::string getText(const RCShdPtr<PiNode>& node, const std::string& input);
    static int getInt(const RCShdPtr<PiNode>& node, const std::string& input);

    /// The messages displayed since the test started (or since the last clear).
    std::vector<MsgRecord> getMessages() const { return m_sink->getRecords(); }
    void clearMessages() { m_sink->clear(); }
    /// The messages displayed, as "ID: text"; each must be a warning.
    std::vector<std::string> getWarningLines() const
    {
        std::vector<std::string> lines;
        for (const MsgRecord& record : getMessages()) {
            EXPECT_EQ(record.severity, MsgSeverity::Warning);
            lines.push_back(record.id + ": " + record.text);
        }
        return lines;
    }

    RCShdPtr<PiComposition> composition;
    RCShdPtr<PiGraph> graph;

private:
    RCShdPtr<MsgListSink> m_sink;
    RCShdPtr<MsgSink> m_previousSink;
    std::unique_ptr<MsgFileGuard> m_messages;
};

/// The path of a resource the plug-in ships ("slateTool.msg").
std::string resourcePath(const std::string& name);

} // namespace Vx::test
