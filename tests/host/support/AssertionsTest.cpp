// Host assertions and the failure helpers: what the exceptions say.
#include <Vx/RC/Assertions.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <typeinfo>

namespace Vx {
namespace {

TEST(Assertions, PassesSilentlyWhenTrue)
{
    int evaluations = 0;
    EXPECT_NO_THROW(VX_ASSERT(++evaluations == 1));
    EXPECT_EQ(evaluations, 1);
}

TEST(Assertions, NamesTheExpressionAndWhereItFailed)
{
    int evaluations = 0;
    int line = 0;
    try {
        line = __LINE__ + 1;
        VX_ASSERT(++evaluations + 1 == 3 && "counted twice");
        FAIL() << "a false assertion did not throw";
    } catch (const RCExAssertionFailed& error) {
        EXPECT_EQ(error.getExpression(), "++evaluations + 1 == 3 && \"counted twice\"");
        EXPECT_EQ(std::string(error.what()), "Assertion \"++evaluations + 1 == 3 && \"counted twice\"\" failed at " +
                                                 std::string(__FILE__) + ":" + std::to_string(line) + ".");
    }
    EXPECT_EQ(evaluations, 1);
}

TEST(Assertions, FailuresAreLogicErrors)
{
    EXPECT_THROW(VX_ASSERT(1 + 1 == 3), std::logic_error);
}

TEST(RCExUtil, NamesBothTypesOfAFailedCast)
{
    try {
        RCExUtil::throwExCastFailed("PxColorSourceNode", "PxAnimValueProtocol<double>");
        FAIL() << "no exception";
    } catch (const RCExCastFailed& error) {
        EXPECT_STREQ(error.what(),
                     "Cast failed: an object of type PxColorSourceNode cannot be used as PxAnimValueProtocol<double>.");
    }
}

TEST(RCExUtil, NamesTheEmptyPointerType)
{
    try {
        RCExUtil::throwExNullPtr("PxNodePtr<PxImageNode>");
        FAIL() << "no exception";
    } catch (const RCExNullPtr& error) {
        EXPECT_STREQ(error.what(), "Null pointer: a PxNodePtr<PxImageNode> was used while empty.");
    }
}

struct Named
{
};

TEST(RCExUtil, WritesReadableTypeNames)
{
    EXPECT_EQ(RCExUtil::typeName(typeid(int)), "int");
    EXPECT_EQ(RCExUtil::typeName(typeid(Named)), "Vx::(anonymous namespace)::Named");
    EXPECT_EQ(RCExUtil::typeName(typeid(const char*)), "char const*");
}

} // namespace
} // namespace Vx
