// The controller's user-interface companions: the "Slate" companion from an installed factory,
// the "Output" companion that follows the primary input, and no companion for anything else.
#include "SlateControllerTestSupport.h"

#include "host/toolmodel/ToolModelTestSupport.h"

#include <Vx/Pi/PiNode.h>

namespace Vx::test {
namespace {

using namespace SlateNames;

/// Records how it was called (writable or read-only, widget, inputs, context) and returns a
/// companion of its own for each form.
class RecordingFactory : public SlateController::UiFactory
{
public:
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>& widget, const RCShdPtr<const PiInput>& text,
                              const RCShdPtr<const PiInput>& textFont, const RCShdPtr<const PiInput>& textStyle,
                              const RCShdPtr<const PiInput>& dropShadow, const RCShdPtr<const PiInput>& box,
                              int context) override
    {
        record("read-only", widget, {text.get(), textFont.get(), textStyle.get(), dropShadow.get(), box.get()},
               context);
        return readOnlyCompanion;
    }
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>& widget, const RCShdPtr<PiInput>& text,
                              const RCShdPtr<PiInput>& textFont, const RCShdPtr<PiInput>& textStyle,
                              const RCShdPtr<PiInput>& dropShadow, const RCShdPtr<PiInput>& box, int context) override
    {
        record("writable", widget, {text.get(), textFont.get(), textStyle.get(), dropShadow.get(), box.get()}, context);
        return writableCompanion;
    }

    std::vector<std::string> calls; ///< "form widget context: input, input, ..."
    const PiInput* firstInput = nullptr;
    RCShdPtr<RCObject> readOnlyCompanion = makeShared<RCObject>();
    RCShdPtr<RCObject> writableCompanion = makeShared<RCObject>();

private:
    void record(const char* form, const RCShdPtr<PiWidget>& widget, const std::vector<const PiInput*>& inputs,
                int context)
    {
        std::string call = std::string(form) + " " + widget->getName() + " " + std::to_string(context) + ":";
        for (const PiInput* input : inputs)
            call += " " + (input ? input->getName() : "<null>");
        calls.push_back(call);
        firstInput = inputs[0];
    }
};

/// Installs a factory for one test and always uninstalls it.
class FactoryScope
{
public:
    explicit FactoryScope(SlateController::UiFactory* factory) { SlateController::setUiFactory(factory); }
    ~FactoryScope() { SlateController::setUiFactory(nullptr); }
    FactoryScope(const FactoryScope&) = delete;
    FactoryScope& operator=(const FactoryScope&) = delete;
};

class SlateUiTest : public SlateControllerTest
{
protected:
    static RCShdPtr<PiWidget> widget(const std::string& name) { return makeShared<PiWidget>(name); }
    static RCShdPtr<RCObject> readOnlyCompanion(const SlateController& controller, const RCShdPtr<PiWidget>& w, int c)
    {
        return controller.createWidgetCompanion(w, c);
    }

    RCShdPtr<PiNode> makeSource()
    {
        return graph->createNode("source", OPtr<PiNodeController>(new pitest::GainController));
    }
    void connect(const RCShdPtr<PiNode>& source, const RCShdPtr<PiNode>& slate)
    {
        graph->connect(source->getOutput(PiImageModifier::getOutputName(), true), slate->getPrimaryInput());
    }
};

TEST_F(SlateUiTest, SlateCompanionComesFromTheInstalledFactory)
{
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    const auto slateWidget = widget("Slate");
    EXPECT_FALSE(controller->createWidgetCompanion(slateWidget, 3));
    EXPECT_FALSE(readOnlyCompanion(*controller, slateWidget, 3));

    // A controller made before the factory was installed gets companions from it afterwards.
    RecordingFactory factory;
    const FactoryScope scope(&factory);
    EXPECT_EQ(controller->createWidgetCompanion(slateWidget, 5), factory.writableCompanion);
    EXPECT_EQ(factory.firstInput, node->getInput(kText, true).get());
    EXPECT_EQ(readOnlyCompanion(*controller, slateWidget, 9), factory.readOnlyCompanion);
    // Other widgets have none.
    for (const std::string name : {"slate", "Output ", "Text"}) {
        EXPECT_FALSE(controller->createWidgetCompanion(widget(name), 0)) << name;
        EXPECT_FALSE(readOnlyCompanion(*controller, widget(name), 0)) << name;
    }
    EXPECT_EQ(factory.calls, (std::vector<std::string>{
                                 "writable Slate 5: Text Text Font Text Style Drop Shadow Box",
                                 "read-only Slate 9: Text Text Font Text Style Drop Shadow Box",
                             }));
    EXPECT_THROW(controller->createWidgetCompanion(RCShdPtr<PiWidget>(), 0), RCExNullPtr);

    SlateController::setUiFactory(nullptr);
    EXPECT_FALSE(controller->createWidgetCompanion(slateWidget, 5));
}

TEST_F(SlateUiTest, OutputIsDisabledExactlyWhileThePrimaryInputIsConnected)
{
    SlateController* controller = nullptr;
    const auto node = makeNode("slate", &controller);
    const auto source = makeSource();
    const auto outputWidget = widget("Output");
    RCShdPtr<RCObject> companion = controller->createWidgetCompanion(outputWidget, 0);
    ASSERT_TRUE(companion);
    EXPECT_TRUE(outputWidget->isEnabled());

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
