// A plug-in as small as one can be: one package that depends on the test executable's package
// and registers its build information when it is initialised.
#include <Vx/In/InBuildInfo.h>
#include <Vx/In/InPackageInit.h>

#include "host/packages/modules/TestPackages.h"

namespace {

using namespace Vx;

class GoodBuildInfo : public InBuildInfo
{
public:
    const char* getProductString() const override { return "Test Product"; }
    const char* getLibraryName() const override { return "libVxgoodPlugin"; }
    const char* getReleaseName() const override { return "test"; }
    const char* getVersionString() const override { return "1.2"; }
    const char* getVersionSuffix() const override { return ""; }
    int getMajorVersion() const override { return 1; }
    int getMinorVersion() const override { return 2; }
    int getBuildCode() const override { return 0; }
    const char* getBuildNumber() const override { return "7"; }
    const char* getBuildDate() const override { return "Jan  1 2024"; }
    const char* getBuildConfiguration() const override { return "test"; }
};

class GoodPackage : public InInit<VxInit::testGoodPlugin>
{
public:
    GoodPackage() : InInit("testGoodPlugin")
    {
        registerPackage();
        addDependency(InInit<VxInit::testHostBase>::getType());
    }
    void initializePackage() override { InBuildInfoUtil::registerInfo(OPtr<InBuildInfo>(new GoodBuildInfo)); }
};

GoodPackage s_package;

} // namespace
