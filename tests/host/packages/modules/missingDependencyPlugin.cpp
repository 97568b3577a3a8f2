// A plug-in whose package depends on a package that nobody registers.
#include <Vx/In/InPackageInit.h>

#include "host/packages/modules/TestPackages.h"

namespace {

using namespace Vx;

class MissingDependencyPackage : public InInit<VxInit::testMissingDependency>
{
public:
    MissingDependencyPackage() : InInit("testMissingDependency")
    {
        registerPackage();
        addDependency(InInit<VxInit::testHostBase>::getType());
        addDependency(InInit<VxInit::testUnregistered>::getType());
    }
};

MissingDependencyPackage s_package;

} // namespace
