// The controller's user-interface companions: the "Output" companion that follows the primary
// input, and none for other widgets (nor for "Slate" while no factory is installed); the "Slate"
// companion from the factory given to setUiFactory, else from the host's widget companion factory.
#include "SlateControllerTestSupport.h"

#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiWidgetCompanionFactory.h>

#include <vector>

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

/// A companion that records what it was made from: the inputs' names and the context, and which
/// overload made it.
class RecordedCompanion : public RCObject
{
public:
    explicit RecordedCompanion(std::string made) : what(std::move(made)) {}
    std::string what;
};

template <class Input> std::string describeMade(const char* form, const std::vector<Input>& inputs, int context)
{
    std::string text = form;
    for (const auto& input : inputs)
        text += " " + input->getName() + ",";
    return text + " " + std::to_string(context);
}

class RecordingHostFactory : public PiWidgetCompanionFactory
{
public:
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>&, const std::vector<RCShdPtr<const PiInput>>& inputs,
                              int context) override
    {
        return makeShared<RecordedCompanion>(describeMade("host read-only:", inputs, context));
    }
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>&, const std::vector<RCShdPtr<PiInput>>& inputs,
                              int context) override
    {
        return makeShared<RecordedCompanion>(describeMade("host editable:", inputs, context));
    }
};

class RecordingUiFactory : public SlateController::UiFactory
{
public:
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>&, const RCShdPtr<const PiInput>&, const RCShdPtr<const PiInput>&,
                              const RCShdPtr<const PiInput>&, const RCShdPtr<const PiInput>&,
                              const RCShdPtr<const PiInput>&, int) override
    {
        return makeShared<RecordedCompanion>("set read-only");
    }
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>&, const RCShdPtr<PiInput>&, const RCShdPtr<PiInput>&,
                              const RCShdPtr<PiInput>&, const RCShdPtr<PiInput>&, const RCShdPtr<PiInput>&,
                              int) override
    {
        return makeShared<RecordedCompanion>("set editable");
    }
};

TEST_F(SlateUiTest, SlateCompanionComesFromTheSetFactoryElseFromTheHosts)
{
    SlateController* controller = nullptr;
    makeNode("slate", &controller);
    RecordingHostFactory host;
    RecordingUiFactory set;
    const auto made = [&](bool readOnly) {
        const auto w = widget("Slate");
        const RCShdPtr<RCObject> companion =
            readOnly ? readOnlyCompanion(*controller, w, 7) : controller->createWidgetCompanion(w, 7);
        const auto* recorded = dynamic_cast<const RecordedCompanion*>(companion.get());
        return companion ? (recorded ? recorded->what : std::string("another")) : std::string("none");
    };
    const std::string inputs = " Text, Text Font, Text Style, Drop Shadow, Box, 7";
    PiWidgetCompanionFactory::install(&host);
    EXPECT_EQ(made(false), "host editable:" + inputs);
    EXPECT_EQ(made(true), "host read-only:" + inputs);
    SlateController::setUiFactory(&set);
    EXPECT_EQ(made(false), "set editable");
    EXPECT_EQ(made(true), "set read-only");
    SlateController::setUiFactory(nullptr);
    PiWidgetCompanionFactory::install(nullptr);
    EXPECT_EQ(made(false), "none");
    EXPECT_EQ(made(true), "none");
}

} // namespace
} // namespace Vx::test
