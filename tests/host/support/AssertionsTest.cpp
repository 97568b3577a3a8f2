// Host assertions and the failure helpers: what the exceptions say.
#include "common/ExpectThrowMessage.h"
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
    const int line = __LINE__ + 1;
    EXPECT_THROW_MESSAGE(VX_ASSERT(++evaluations + 1 == 4 && "counted twice"), RCExAssertionFailed,
                         "Assertion \"++evaluations + 1 == 4 && \"counted twice\"\" failed at " +
                             std::string(__FILE__) + ":" + std::to_string(line) + ".");
    EXPECT_EQ(evaluations, 2);
    EXPECT_THROW(VX_ASSERT(1 + 1 == 3), std::logic_error);
}

struct Named
{
};

TEST(RCExUtil, NamesTypesInItsMessages)
{
    EXPECT_THROW_MESSAGE(
        RCExUtil::throwExCastFailed("PxColorSourceNode", "PxAnimValueProtocol<double>"), RCExCastFailed,
        "Cast failed: an object of type PxColorSourceNode cannot be used as PxAnimValueProtocol<double>.");
    EXPECT_THROW_MESSAGE(RCExUtil::throwExNullPtr("PxNodePtr<PxImageNode>"), RCExNullPtr,
                         "Null pointer: a PxNodePtr<PxImageNode> was used while empty.");
    EXPECT_EQ(RCExUtil::typeName(typeid(int)), "int");
    EXPECT_EQ(RCExUtil::typeName(typeid(Named)), "Vx::(anonymous namespace)::Named");
    EXPECT_EQ(RCExUtil::typeName(typeid(const char*)), "char const*");
}

} // namespace
} // namespace Vx
