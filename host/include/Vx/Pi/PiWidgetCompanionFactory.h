// The host's maker of widget companions: what a host's user interface installs so that tools can
// hand their widgets to it without linking against the user-interface module.
//
// A tool whose user-interface description names a widget that the host draws (the Slate tool's
// "Slate" widget) asks the installed factory for the widget's companion, handing it the widget,
// the inputs the widget edits (in the order the tool documents) and the host's context code. The
// host installs one factory for the whole process (install), keeps ownership and keeps it alive
// while installed; tools never own or delete it. Without an installed factory such widgets simply
// have no companion. Main thread only.
#pragma once

#include <Vx/Pi/PiInput.h>
#include <Vx/Pi/PiToolInterface.h>
#include <Vx/RC/RCShdPtr.h>

#include <vector>

namespace Vx {

class PiWidgetCompanionFactory
{
public:
    virtual ~PiWidgetCompanionFactory() = default;

    /// The companion of `widget` for a read-only view of its node; null for none.
    virtual RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>& widget,
                                      const std::vector<RCShdPtr<const PiInput>>& inputs, int context) = 0;
    /// The companion of `widget` for an editable node; null for none.
    virtual RCShdPtr<RCObject> create(const RCShdPtr<PiWidget>& widget, const std::vector<RCShdPtr<PiInput>>& inputs,
                                      int context) = 0;

    /// Installs the process-wide factory (null uninstalls it), replacing any installed before.
    static void install(PiWidgetCompanionFactory* factory);
    /// The installed factory, or null.
    static PiWidgetCompanionFactory* getInstalled();
};

} // namespace Vx
