// Host assertions: what the exception says. (The failure helpers' messages: the handle and
// down-cast tests, which name their types through them.)
#include "common/ExpectThrowMessage.h"
#include <Vx/RC/Assertions.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

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

} // namespace
} // namespace Vx
