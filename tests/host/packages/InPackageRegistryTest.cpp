#include <Vx/In/InPackageInit.h>
#include <Vx/In/InPackageRegistry.h>
#include <Vx/RC/Assertions.h>

#include <gtest/gtest.h>

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

TEST(InPackageRegistry, MissingDependencyNamesThePackageAndWhatItLacks)
{
    InPackageRegistry registry;
    std::vector<std::string> log;
    RecordingPackage<VxInit::regA> a("a", log);
    RecordingPackage<VxInit::regB> b("b", log);
    a.registerPackage(registry);
    b.registerPackage(registry);
    b.addDependency(typeOf<VxInit::regA>());
    b.addDependency(typeOf<VxInit::regNobody>());
    EXPECT_EQ(registry.findMissingDependencies(b), (std::vector<const std::type_info*>{typeOf<VxInit::regNobody>()}));
    try {
        registry.initializeAll();
        FAIL() << "A missing dependency was accepted.";
    } catch (const InExPackage& error) {
        EXPECT_EQ(std::string(error.what()), "The package \"b\" depends on " +
                                                 RCExUtil::typeName(typeid(InInit<VxInit::regNobody>)) +
                                                 ", which no registered package provides.");
    }
    EXPECT_TRUE(log.empty()) << "Nothing is initialised when the order cannot be made.";
}

TEST(InPackageRegistry, CycleIsAnErrorNamingThePackages)
{
    InPackageRegistry registry;
    std::vector<std::string> log;
    RecordingPackage<VxInit::regD> d("d", log);
    RecordingPackage<VxInit::regA> a("a", log);
    RecordingPackage<VxInit::regB> b("b", log);
    RecordingPackage<VxInit::regC> c("c", log);
    d.registerPackage(registry);
    a.registerPackage(registry);
    b.registerPackage(registry);
    c.registerPackage(registry);
    a.addDependency(typeOf<VxInit::regB>());
    b.addDependency(typeOf<VxInit::regC>());
    c.addDependency(typeOf<VxInit::regA>());
    try {
        registry.initializeAll();
        FAIL() << "A cycle was accepted.";
    } catch (const InExPackage& error) {
        EXPECT_STREQ(error.what(), "The packages depend on each other in a cycle: \"a\" -> \"b\" -> \"c\" -> \"a\".");
    }
    EXPECT_TRUE(log.empty());
    InPackageRegistry selfRegistry;
    RecordingPackage<VxInit::regA> self("self", log);
    self.registerPackage(selfRegistry);
    self.addDependency(typeOf<VxInit::regA>());
    EXPECT_THROW(selfRegistry.initializeAll(), InExPackage);
}

TEST(InPackageRegistry, TwoPackagesWithOneIdentityAreAnError)
{
    InPackageRegistry registry;
    std::vector<std::string> log;
    RecordingPackage<VxInit::regA> first("first", log);
    RecordingPackage<VxInit::regA> second("second", log);
    first.registerPackage(registry);
    second.registerPackage(registry);
    try {
        registry.initializeAll();
        FAIL() << "A duplicate identity was accepted.";
    } catch (const InExPackage& error) {
        EXPECT_EQ(std::string(error.what()), "The packages \"first\" and \"second\" have the same identity " +
                                                 RCExUtil::typeName(typeid(InInit<VxInit::regA>)) +
                                                 "; only one package may use it.");
    }
}

TEST(InPackageRegistry, FailingInitialisationNamesThePackageAndKeepsTheOthers)
{
    InPackageRegistry registry;
    std::vector<std::string> log;
    RecordingPackage<VxInit::regA> a("a", log);
    RecordingPackage<VxInit::regB> b("b", log);
    a.registerPackage(registry);
    b.registerPackage(registry);
    b.m_failInitialize = true;
    try {
        registry.initializeAll();
        FAIL() << "The failure was not raised.";
    } catch (const InExPackage& error) {
        EXPECT_STREQ(error.what(), "The package \"b\" failed to initialise: The test asked b to fail.");
    }
    EXPECT_TRUE(registry.isInitialized(a));
    EXPECT_FALSE(registry.isInitialized(b));
    registry.terminateAll();
    EXPECT_EQ(log, (std::vector<std::string>{"+a", "-a"}));
}

TEST(InPackageRegistry, FailingTerminationStillTerminatesTheOthers)
{
    InPackageRegistry registry;
    std::vector<std::string> log;
    RecordingPackage<VxInit::regA> a("a", log);
    RecordingPackage<VxInit::regB> b("b", log);
    RecordingPackage<VxInit::regC> c("c", log);
    a.registerPackage(registry);
    b.registerPackage(registry);
    c.registerPackage(registry);
    registry.initializeAll();
    b.m_failTerminate = true;
    try {
        registry.terminateAll();
        FAIL() << "The failure was not raised.";
    } catch (const InExPackage& error) {
        EXPECT_STREQ(error.what(), "The package \"b\" failed to terminate: The test asked b to fail.");
    }
    EXPECT_EQ(log, (std::vector<std::string>{"+a", "+b", "+c", "-c", "-b", "-a"}));
    EXPECT_TRUE(registry.getInitializedPackages().empty());
}

TEST(InPackageRegistry, DestroyedPackageLeavesTheRegistry)
{
    InPackageRegistry registry;
    std::vector<std::string> log;
    RecordingPackage<VxInit::regA> a("a", log);
    a.registerPackage(registry);
    {
        RecordingPackage<VxInit::regB> b("b", log);
        b.registerPackage(registry);
        registry.initializeAll();
        EXPECT_EQ(registry.findPackage("b"), &b);
        EXPECT_EQ(registry.findPackage(*typeOf<VxInit::regB>()), &b);
    }
    EXPECT_EQ(registry.findPackage("b"), nullptr);
    EXPECT_EQ(registry.getPackages(), (std::vector<InPackageInit*>{&a}));
    EXPECT_EQ(registry.getInitializedPackages(), (std::vector<InPackageInit*>{&a}));
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
