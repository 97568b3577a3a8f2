// pxDownCast: from a node handle to a handle on one of the node's protocols.
#include <Vx/Px/PxAnimValue.h>
#include <Vx/Px/PxImage.h>
#include <Vx/Px/PxNode.h>

#include <gtest/gtest.h>

#include <string>

namespace Vx {
namespace {

TEST(PxDownCast, EmptyGivesEmpty)
{
    const PxNodePtr<PxNode const> empty;
    const PxNodePtr<PxImageProtocol const> result = pxDownCast<PxImageProtocol const>(empty);
    EXPECT_TRUE(result.isNull());
}

TEST(PxDownCast, ToAProtocolTheNodeHasGivesTheSameNode)
{
    auto value = pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(1.5, PxValidityInterval::FULL));
    const PxNodePtr<PxNode const> asNode(value);
    EXPECT_EQ(value->getRefCount(), 2);

    const PxNodePtr<PxAnimValueProtocol<double> const> protocol = pxDownCast<PxAnimValueProtocol<double> const>(asNode);
    ASSERT_TRUE(protocol);
    EXPECT_EQ(static_cast<const PxNode*>(protocol.get()), static_cast<const PxNode*>(value.get()));
    EXPECT_EQ(protocol->getValue(0.0).value, 1.5);
    EXPECT_EQ(value->getRefCount(), 3); // the result is a handle of its own
}

TEST(PxDownCast, ToAProtocolTheNodeLacksRaisesCastFailedNamingBothTypes)
{
    auto value = pxCreateNode<PxAnimValueNode<double>>(PxResult<double>(1.5, PxValidityInterval::FULL));
    const PxNodePtr<PxNode const> asNode(value);
    std::string message;
    try {
        pxDownCast<PxImageProtocol const>(asNode);
        ADD_FAILURE() << "casting a value node to an image protocol succeeded";
    } catch (const RCExCastFailed& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "Cast failed: an object of type Vx::PxAnimValueNode<double> cannot be used as "
                       "Vx::PxStrongHndl<Vx::PxImageProtocol const>.");
    EXPECT_EQ(value->getRefCount(), 2); // a failed cast takes no reference

    // Another value type is another protocol.
    EXPECT_THROW(pxDownCast<PxAnimValueProtocol<int> const>(asNode), RCExCastFailed);
}

} // namespace
} // namespace Vx
