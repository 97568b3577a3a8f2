// Host assertions and the failure helpers: what the exceptions say.
#include <Vx/RC/Assertions.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <typeinfo>

namespace Vx {
namespace {

TEST(Assertions, NamesTheExpressionAndWhereItFailedEvaluatingItOnce)
{
    int evaluations = 0;
    EXPECT_NO_THROW(VX_ASSERT(++evaluations == 1));
    int line = 0;
    try {
        line = __LINE__ + 1;
        VX_ASSERT(++evaluations + 1 == 4 && "counted twice");
        FAIL() << "a false assertion did not throw";
    } catch (const RCExAssertionFailed& error) {
        EXPECT_EQ(error.getExpression(), "++evaluations + 1 == 4 && \"counted twice\"");
        EXPECT_EQ(std::string(error.what()), "Assertion \"++evaluations + 1 == 4 && \"counted twice\"\" failed at " +
                                                 std::string(__FILE__) + ":" + std::to_string(line) + ".");
    }
    EXPECT_EQ(evaluations, 2);
    EXPECT_THROW(VX_ASSERT(1 + 1 == 3), std::logic_error);
}

struct Named
{
};

TEST(RCExUtil, NamesTypesInItsMessages)
{
    try {
        RCExUtil::throwExCastFailed("PxColorSourceNode", "PxAnimValueProtocol<double>");
        ADD_FAILURE() << "no exception";
    } catch (const RCExCastFailed& error) {
        EXPECT_STREQ(error.what(),
                     "Cast failed: an object of type PxColorSourceNode cannot be used as PxAnimValueProtocol<double>.");
    }
    try {
        RCExUtil::throwExNullPtr("PxNodePtr<PxImageNode>");
        ADD_FAILURE() << "no exception";
    } catch (const RCExNullPtr& error) {
        EXPECT_STREQ(error.what(), "Null pointer: a PxNodePtr<PxImageNode> was used while empty.");
    }
    EXPECT_EQ(RCExUtil::typeName(typeid(int)), "int");
    EXPECT_EQ(RCExUtil::typeName(typeid(Named)), "Vx::(anonymous namespace)::Named");
    EXPECT_EQ(RCExUtil::typeName(typeid(const char*)), "char const*");
}

} // namespace
} // namespace Vx
