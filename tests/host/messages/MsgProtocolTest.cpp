#include "common/ExpectThrowMessage.h"
#include <Vx/Msg/MsgFileGuard.h>
#include <Vx/Msg/MsgProtocol.h>
#include <Vx/Msg/MsgServer.h>
#include <Vx/Msg/MsgWarning.h>

#include "host/messages/MsgTestFiles.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace Vx;

namespace {

// Made during static initialisation, like a plug-in's subscriptions: before any test touches
// the message server.
const MsgSubscription s_invalidFont("TESTTOOL_ERR_INVALID_FONT");
const MsgSubscription s_invalidStyle("TESTTOOL_ERR_INVALID_STYLE");

struct FormatCase
{
    const char* text;
    std::vector<std::string> values;
    const char* expected;
};

} // namespace

TEST(MsgProtocol, FormatReplacesNumberedPlaceholders)
{
    const std::vector<FormatCase> cases = {
        {"The font %1 is unknown.", {"Arial"}, "The font Arial is unknown."},
        {"%2 before %1", {"a", "b"}, "b before a"},
        {"%1, again %1", {"x"}, "x, again x"},
        {"100%% sure", {}, "100% sure"},
        {"%%1 is literal", {"x"}, "%1 is literal"},
        {"50% off, %", {"x"}, "50% off, %"},
        {"%0 is not a placeholder", {"x"}, "%0 is not a placeholder"},
        {"%10 of ten", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, "10 of ten"},
        {"%12345678901234567890 too many digits", {"x"}, "%12345678901234567890 too many digits"},
        // Missing values leave the placeholder as written.
        {"%1 of %2", {"a"}, "a of %2"},
        // Extra values are not shown.
        {"only %1", {"a", "b"}, "only a"},
        // Values are not scanned again.
        {"%1 and %2", {"%2", "b"}, "%2 and b"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(MsgProtocol::format(c.text, c.values), c.expected) << "text: " << c.text;
}

TEST(MsgSubscription, KeepsItsIdAndRejectsAnEmptyOne)
{
    EXPECT_EQ(s_invalidFont.getId(), "TESTTOOL_ERR_INVALID_FONT");
    EXPECT_THROW_MESSAGE(MsgSubscription(""), std::invalid_argument,
                         "A message subscription needs a message id, but the id given is empty.");
}

using MsgDisplay = VxTest::MsgFixture;

TEST_F(MsgDisplay, UnknownIdShowsTheIdAndItsValues)
{
    MsgWarning warning(MsgSubscription("NOBODY_DEFINES_THIS"));
    warning.substitute("Bold").substitute("Arial");
    warning.display();
    const std::vector<MsgRecord> records = m_sink->getRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, "NOBODY_DEFINES_THIS (\"Bold\", \"Arial\")");
    EXPECT_EQ(records[0].severity, MsgSeverity::Warning);
}
