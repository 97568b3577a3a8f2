// The Slate controller's user-interface companions: the "Slate" widget's companion from an
// installed factory (the one given to setUiFactory, else the host's PiWidgetCompanionFactory), and the "Output" widget
// kept enabled only while the primary input is free (the generator's inputs mean nothing while an image is connected).
#include "slateController.h"

#include <Vx/Pi/PiNode.h>
#include <Vx/Pi/PiWidgetCompanionFactory.h>

namespace Vx {

namespace {

SlateController::UiFactory* s_uiFactory = nullptr;

/// The host's widget companion factory seen as a UiFactory: the five inputs handed on in their
/// order. Used only while no factory is installed through setUiFactory and the host has one.
class HostUiFactory : public SlateController::UiFactory
{
public:
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>& widget, const RCShdPtr<const PiInput>& text,
                              const RCShdPtr<const PiInput>& textFont, const RCShdPtr<const PiInput>& textStyle,
                              const RCShdPtr<const PiInput>& dropShadow, const RCShdPtr<const PiInput>& box,
                              int context) override
    {
        const std::vector<RCShdPtr<const PiInput>> inputs{text, textFont, textStyle, dropShadow, box};
        return PiWidgetCompanionFactory::getInstalled()->create(widget, inputs, context);
    }
    RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>& widget, const RCShdPtr<PiInput>& text,
                              const RCShdPtr<PiInput>& textFont, const RCShdPtr<PiInput>& textStyle,
                              const RCShdPtr<PiInput>& dropShadow, const RCShdPtr<PiInput>& box, int context) override
    {
        const std::vector<RCShdPtr<PiInput>> inputs{text, textFont, textStyle, dropShadow, box};
        return PiWidgetCompanionFactory::getInstalled()->create(widget, inputs, context);
    }
};

/// The factory that makes "Slate" companions now: the installed one, else the host's, else none.
SlateController::UiFactory* currentUiFactory()
{
    static HostUiFactory s_hostFactory;
    if (s_uiFactory)
        return s_uiFactory;
    return PiWidgetCompanionFactory::getInstalled() ? &s_hostFactory : nullptr;
}

/// Enables the "Output" widget exactly while nothing is connected to the primary input, and
/// follows every connection and disconnection of the node. The host holds it as long as the
/// widget.
class PrimaryInputWidgetSync : public RCObject
{
public:
    /// `tool` is the controller of the widget's node; it must outlive this companion, which the
    /// host guarantees by dropping companions before their node.
    PrimaryInputWidgetSync(const RCShdPtr<PiWidget>& widgetToSync, PiToolInterface* toolOfWidget)
        : handler(this, &PrimaryInputWidgetSync::onNodeEvent), widget(widgetToSync), tool(toolOfWidget)
    {
    }
    /// Nothing to unregister by hand: the handler's death ends its two registrations.
    ~PrimaryInputWidgetSync() override = default;

    void subscribe()
    {
        tool->addCallback(PiNodeEvent::SocketConnected, &handler);
        tool->addCallback(PiNodeEvent::SocketDisconnected, &handler);
    }

    void sync()
    {
        const RCShdPtr<const PiInput> primary = static_cast<const PiToolInterface*>(tool)->getPrimaryInput();
        widget->setEnabled(!primary->isConnected());
    }

private:
    // Any connection change may concern the primary input; which one it was does not matter.
    void onNodeEvent(const PiNodeEvent& event)
    {
        (void)event;
        sync();
    }

    CbMethod<PrimaryInputWidgetSync, void, const PiNodeEvent&> handler;
    RCShdPtr<PiWidget> widget;
    PiToolInterface* tool;
};

} // namespace

void SlateController::setUiFactory(UiFactory* factory)
{
    s_uiFactory = factory;
}

RCShdPtr<RCObject> SlateController::createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context) const
{
    using namespace SlateNames;
    const std::string& name = widget->getName();
    SlateController::UiFactory* const factory = currentUiFactory();
    if (name != kSlateWidget || !factory)
        return {};
    const RCShdPtr<const PiNode> node = getNode();
    return factory->create(widget, node->getInput(kText, true), node->getInput(kTextFont, true),
                           node->getInput(kTextStyle, true), node->getInput(kDropShadow, true),
                           node->getInput(kBox, true), context);
}

RCShdPtr<RCObject> SlateController::createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context)
{
    using namespace SlateNames;
    const std::string& name = widget->getName();
    if (name == kSlateWidget) {
        SlateController::UiFactory* const factory = currentUiFactory();
        if (!factory)
            return {};
        const RCShdPtr<PiNode> node = getNode();
        return factory->create(widget, node->getInput(kText, true), node->getInput(kTextFont, true),
                               node->getInput(kTextStyle, true), node->getInput(kDropShadow, true),
                               node->getInput(kBox, true), context);
    }
    if (name == kOutputWidget) {
        const RCShdPtr<PrimaryInputWidgetSync> companion(new PrimaryInputWidgetSync(widget, this));
        companion->subscribe();
        companion->sync();
        return RCShdPtr<RCObject>(companion);
    }
    return {};
}

} // namespace Vx
