#include "common/ExpectThrowMessage.h"

#include <Vx/In/InPackageInit.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/RC/Assertions.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Vx;

namespace VxInit {
struct regA;
struct regB;
struct regC;
struct regD;
struct regNobody;
} // namespace VxInit

namespace {

/// A package that writes "+name" to a log when initialised and "-name" when terminated, and
/// throws from either hook when asked to.
template <class Tag> class RecordingPackage : public InInit<Tag>
{
public:
    RecordingPackage(const std::string& name, std::vector<std::string>& log) : InInit<Tag>(name), m_log(log) {}

    void initializePackage() override
    {
        if (m_failInitialize)
            throw std::runtime_error("The test asked " + this->getName() + " to fail.");
        m_log.push_back("+" + this->getName());
    }
    void terminatePackage() override
    {
        m_log.push_back("-" + this->getName());
        if (m_failTerminate)
            throw std::runtime_error("The test asked " + this->getName() + " to fail.");
    }

    bool m_failInitialize = false;
    bool m_failTerminate = false;

private:
    std::vector<std::string>& m_log;
};

template <class Tag> const std::type_info* typeOf()
{
    return InInit<Tag>::getType();
}

} // namespace

TEST(InPackageRegistry, InitialisesInDependencyOrderAndTerminatesInReverse)
{
    InPackageRegistry registry;
    std::vector<std::string> log;
    RecordingPackage<VxInit::regB> b("b", log);
    RecordingPackage<VxInit::regA> a("a", log);
    RecordingPackage<VxInit::regC> c("c", log);
    RecordingPackage<VxInit::regD> d("d", log);
    // b needs c, c needs a; registered b, a, c, d: d needs nothing and keeps its place.
    b.registerPackage(registry);
    b.addDependency(typeOf<VxInit::regC>());
    a.registerPackage(registry);
    c.registerPackage(registry);
    c.addDependency(typeOf<VxInit::regA>());
    d.registerPackage(registry);

    registry.initializeAll();
    EXPECT_EQ(log, (std::vector<std::string>{"+a", "+c", "+b", "+d"}));
    EXPECT_TRUE(registry.isInitialized(b));
    EXPECT_EQ(registry.getInitializedPackages(), (std::vector<InPackageInit*>{&a, &c, &b, &d}));

    // Initialising again initialises only a package registered since.
    RecordingPackage<VxInit::regNobody> late("late", log);
    late.registerPackage(registry);
    late.addDependency(typeOf<VxInit::regA>());
    registry.initializeAll();
    registry.terminateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"+a", "+c", "+b", "+d", "+late", "-late", "-d", "-b", "-c", "-a"}));
    EXPECT_FALSE(registry.isInitialized(a));
    EXPECT_TRUE(registry.getInitializedPackages().empty());
}

/// Three packages a, b, c registered in that order, and a fourth with a's identity, unregistered.
struct ThreePackages
{
    InPackageRegistry registry;
    std::vector<std::string> log;
    RecordingPackage<VxInit::regA> a{"a", log};
    RecordingPackage<VxInit::regB> b{"b", log};
    RecordingPackage<VxInit::regC> c{"c", log};
    RecordingPackage<VxInit::regA> twin{"twin", log};
    ThreePackages()
    {
        a.registerPackage(registry);
        b.registerPackage(registry);
        c.registerPackage(registry);
    }
};

TEST(InPackageRegistry, OrderThatCannotBeMadeOrAFailingPackageIsNamed)
{
    const std::string nobody = RCExUtil::typeName(typeid(InInit<VxInit::regNobody>));
    const std::string identityA = RCExUtil::typeName(typeid(InInit<VxInit::regA>));
    struct Case
    {
        std::function<void(ThreePackages&)> setUp;
        std::string message;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {[](ThreePackages& p) {
             p.b.addDependency(typeOf<VxInit::regA>()), p.b.addDependency(typeOf<VxInit::regNobody>());
         },
         "The package \"b\" depends on " + nobody + ", which no registered package provides.",
         {}},
        {[](ThreePackages& p) {
             p.a.addDependency(typeOf<VxInit::regB>());
             p.b.addDependency(typeOf<VxInit::regC>());
             p.c.addDependency(typeOf<VxInit::regA>());
         },
         "The packages depend on each other in a cycle: \"a\" -> \"b\" -> \"c\" -> \"a\".",
         {}},
        {[](ThreePackages& p) { p.twin.registerPackage(p.registry); },
         "The packages \"a\" and \"twin\" have the same identity " + identityA + "; only one package may use it.",
         {}},
        // A package that fails leaves the ones before it initialised.
        {[](ThreePackages& p) { p.b.m_failInitialize = true; },
         "The package \"b\" failed to initialise: The test asked b to fail.",
         {"+a"}},
    };
    for (const Case& c : cases) {
        ThreePackages packages;
        c.setUp(packages);
        EXPECT_THROW_MESSAGE(packages.registry.initializeAll(), InExPackage, c.message);
        EXPECT_EQ(packages.log, c.log) << c.message;
        packages.registry.terminateAll();
    }
}

TEST(InPackageRegistry, FailingTerminationStillTerminatesTheOthers)
{
    ThreePackages p;
    p.registry.initializeAll();
    p.b.m_failTerminate = true;
    EXPECT_THROW_MESSAGE(p.registry.terminateAll(), InExPackage,
                         "The package \"b\" failed to terminate: The test asked b to fail.");
    EXPECT_EQ(p.log, (std::vector<std::string>{"+a", "+b", "+c", "-c", "-b", "-a"}));
    EXPECT_TRUE(p.registry.getInitializedPackages().empty());
}

TEST(InPackageInit, DependenciesKeepDeclarationOrderWithoutRepeats)
{
    std::vector<std::string> log;
    RecordingPackage<VxInit::regA> a("a", log);
    a.addDependency(typeOf<VxInit::regC>());
    a.addDependency(typeOf<VxInit::regB>());
    a.addDependency(typeOf<VxInit::regC>());
    a.addDependency(nullptr);
    EXPECT_EQ(a.getDependencies(),
              (std::vector<const std::type_info*>{typeOf<VxInit::regC>(), typeOf<VxInit::regB>()}));
}
