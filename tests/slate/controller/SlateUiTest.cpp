// The controller's user-interface companions: the "Output" companion that follows the primary
// input, and none for other widgets (nor for "Slate" while no factory is installed).
#include "SlateControllerTestSupport.h"

#include <Vx/Pi/PiNode.h>

namespace Vx::test {
namespace {

using namespace SlateNames;

class SlateUiTest : public SlateControllerTest
{
protected:
    static RCShdPtr<PiWidget> widget(const std::string& name) { return makeShared<PiWidget>(name); }
    static RCShdPtr<RCObject> readOnlyCompanion(const SlateController& controller, const RCShdPtr<PiWidget>& w, int c)
    {
        return controller.createWidgetCompanion(w, c);
    }

    RCShdPtr<PiNode> makeSource() { return makeNode("source"); }
    void connect(const RCShdPtr<PiNode>& source, const RCShdPtr<PiNode>& slate)
    {
        graph->connect(source->getOutput(PiImageModifier::getOutputName(), true), slate->getPrimaryInput());
    }
};

TEST_F(SlateUiTest, OutputIsDisabledExactlyWhileThePrimaryInputIsConnected)
{
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    const auto source = makeSource();
    const auto outputWidget = widget("Output");
    RCShdPtr<RCObject> companion = controller->createWidgetCompanion(outputWidget, 0);
    ASSERT_TRUE(companion);
    EXPECT_TRUE(outputWidget->isEnabled());
    for (const std::string name : {"Slate", "Output ", "Text"})
        EXPECT_FALSE(controller->createWidgetCompanion(widget(name), 0)) << name;

    connect(source, node);
    EXPECT_FALSE(outputWidget->isEnabled());
    // The read-only form has no companion and no synchronisation.
    const auto readOnly = widget("Output");
    EXPECT_FALSE(readOnlyCompanion(*controller, readOnly, 0));
    EXPECT_TRUE(readOnly->isEnabled());
    graph->disconnect(node->getPrimaryInput());
    EXPECT_TRUE(outputWidget->isEnabled());
    composition->getCommandStack()->undo();
    EXPECT_FALSE(outputWidget->isEnabled());
    // Connections of other inputs leave it as it is.
    graph->disconnect(node->getInput(kBox, true));
    EXPECT_FALSE(outputWidget->isEnabled());

    // A companion made while connected starts disabled.
    const auto second = widget("Output");
    const RCShdPtr<RCObject> secondCompanion = controller->createWidgetCompanion(second, 0);
    EXPECT_FALSE(second->isEnabled());

    // Once the host drops the companion, the widget is no longer touched.
    companion.reset();
    graph->disconnect(node->getPrimaryInput());
    EXPECT_FALSE(outputWidget->isEnabled());
    EXPECT_TRUE(second->isEnabled());
}

} // namespace
} // namespace Vx::test
