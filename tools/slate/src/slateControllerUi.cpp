// The Slate controller's user-interface companions: the "Slate" widget's companion from an
// installed factory, and the "Output" widget kept enabled only while the primary input is free
// (the generator's inputs mean nothing while an image is connected).
#include "slateController.h"

#include <Vx/Pi/PiNode.h>

namespace Vx {

namespace {

SlateController::UiFactory* s_uiFactory = nullptr;

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
    if (name != kSlateWidget || !s_uiFactory)
        return {};
    const RCShdPtr<const PiNode> node = getNode();
    return s_uiFactory->create(widget, node->getInput(kText, true), node->getInput(kTextFont, true),
                               node->getInput(kTextStyle, true), node->getInput(kDropShadow, true),
                               node->getInput(kBox, true), context);
}

RCShdPtr<RCObject> SlateController::createWidgetCompanion(const RCShdPtr<PiWidget>& widget, int context)
{
    using namespace SlateNames;
    const std::string& name = widget->getName();
    if (name == kSlateWidget) {
        if (!s_uiFactory)
            return {};
        const RCShdPtr<PiNode> node = getNode();
        return s_uiFactory->create(widget, node->getInput(kText, true), node->getInput(kTextFont, true),
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
