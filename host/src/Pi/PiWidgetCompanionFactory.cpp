// The process-wide widget companion factory.
#include <Vx/Pi/PiWidgetCompanionFactory.h>

namespace Vx {

namespace {
PiWidgetCompanionFactory* s_installed = nullptr;
} // namespace

void PiWidgetCompanionFactory::install(PiWidgetCompanionFactory* factory)
{
    s_installed = factory;
}

PiWidgetCompanionFactory* PiWidgetCompanionFactory::getInstalled()
{
    return s_installed;
}

} // namespace Vx
