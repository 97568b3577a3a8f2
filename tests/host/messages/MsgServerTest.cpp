#include <Vx/Msg/MsgFileGuard.h>
#include <Vx/Msg/MsgServer.h>
#include <Vx/Msg/MsgWarning.h>

#include "host/messages/MsgTestFiles.h"

#include <gtest/gtest.h>

using namespace Vx;

namespace {

const MsgSubscription s_kept("SERVERTEST_KEPT");

} // namespace

using MsgServerTest = VxTest::MsgFixture;

TEST_F(MsgServerTest, SubscriptionKeepsItsTextAfterTheFileCloses)
{
    MsgServer& server = MsgServer::getInstance();
    {
        MsgFileGuard guard(writeFile("tool.msg", "SERVERTEST_KEPT = The font \"%1\" is unknown.\n"
                                                 "SERVERTEST_NOT_KEPT = Not subscribed.\n"));
        server.addSubscription(s_kept);
    }
    EXPECT_TRUE(server.isSubscribed("SERVERTEST_KEPT"));
    EXPECT_FALSE(server.isSubscribed("SERVERTEST_NOT_KEPT"));
    EXPECT_EQ(server.getText("SERVERTEST_KEPT"), std::optional<std::string>("The font \"%1\" is unknown."));
    EXPECT_FALSE(server.getText("SERVERTEST_NOT_KEPT").has_value());

    MsgWarning warning(s_kept);
    warning.substitute("Helvetica Nueue");
    warning.display();
    ASSERT_EQ(m_sink->getRecords().size(), 1u);
    EXPECT_EQ(m_sink->getRecords()[0].text, "The font \"Helvetica Nueue\" is unknown.");

    server.removeSubscription("SERVERTEST_KEPT");
    EXPECT_FALSE(server.isSubscribed("SERVERTEST_KEPT"));
    EXPECT_FALSE(server.getText("SERVERTEST_KEPT").has_value());
}
