#include <Vx/Msg/MsgFileGuard.h>
#include <Vx/Msg/MsgProtocol.h>
#include <Vx/Msg/MsgServer.h>
#include <Vx/Msg/MsgWarning.h>

#include "host/messages/MsgTestFiles.h"

#include <gtest/gtest.h>

#include <sstream>
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
        {"%1st", {"1"}, "1st"},
        {"%10 of ten", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, "10 of ten"},
        {"%12345678901234567890 too many digits", {"x"}, "%12345678901234567890 too many digits"},
        // Missing values leave the placeholder as written.
        {"%1 of %2", {"a"}, "a of %2"},
        {"%10", {"a"}, "%10"},
        // Extra values are not shown.
        {"only %1", {"a", "b"}, "only a"},
        // Values are not scanned again.
        {"%1 and %2", {"%2", "b"}, "%2 and b"},
        {"%1", {"100%%"}, "100%%"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(MsgProtocol::format(c.text, c.values), c.expected) << "text: " << c.text;
}

TEST(MsgProtocol, FormatWithoutTextShowsIdAndQuotedValues)
{
    EXPECT_EQ(MsgProtocol::formatWithoutText("SOME_ID", {}), "SOME_ID");
    EXPECT_EQ(MsgProtocol::formatWithoutText("SOME_ID", {"Bold"}), "SOME_ID (\"Bold\")");
    EXPECT_EQ(MsgProtocol::formatWithoutText("SOME_ID", {"Bold", "Arial"}), "SOME_ID (\"Bold\", \"Arial\")");
}

TEST(MsgSubscription, KeepsItsIdAndRejectsAnEmptyOne)
{
    EXPECT_EQ(s_invalidFont.getId(), "TESTTOOL_ERR_INVALID_FONT");
    try {
        MsgSubscription empty("");
        FAIL() << "An empty id was accepted.";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "A message subscription needs a message id, but the id given is empty.");
    }
}

using MsgDisplay = VxTest::MsgFixture;

TEST_F(MsgDisplay, FileTextReachesTheSinkWithItsValues)
{
    MsgFileGuard guard(writeFile("display.msg", "DISPLAY_STYLE = The style \"%1\" is not available for the font "
                                                "\"%2\".\nDISPLAY_ORDER = %2 before %1\n"));
    MsgProtocol style("DISPLAY_STYLE", MsgSeverity::Error);
    style.substitute("Bold").substitute("Arial");
    style.display();
    MsgWarning order(MsgSubscription("DISPLAY_ORDER"));
    order.substitute("first").substitute("second");
    order.display();

    const std::vector<MsgRecord> records = m_sink->getRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].id, "DISPLAY_STYLE");
    EXPECT_EQ(records[0].severity, MsgSeverity::Error);
    EXPECT_EQ(records[0].text, "The style \"Bold\" is not available for the font \"Arial\".");
    EXPECT_EQ(records[1].id, "DISPLAY_ORDER");
    EXPECT_EQ(records[1].severity, MsgSeverity::Warning);
    EXPECT_EQ(records[1].text, "second before first");
}

TEST_F(MsgDisplay, UnknownIdShowsTheIdAndItsValues)
{
    MsgWarning warning(MsgSubscription("NOBODY_DEFINES_THIS"));
    warning.substitute("Bold").substitute("Arial");
    warning.display();
    MsgWarning bare(MsgSubscription("NOBODY_DEFINES_THIS_EITHER"));
    bare.display();
    const std::vector<MsgRecord> records = m_sink->getRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].text, "NOBODY_DEFINES_THIS (\"Bold\", \"Arial\")");
    EXPECT_EQ(records[0].severity, MsgSeverity::Warning);
    EXPECT_EQ(records[1].text, "NOBODY_DEFINES_THIS_EITHER");
}

TEST_F(MsgDisplay, DefaultSinkIsRestoredByANullSink)
{
    MsgServer& server = MsgServer::getInstance();
    RCShdPtr<MsgSink> ours = server.setSink(RCShdPtr<MsgSink>());
    EXPECT_EQ(ours.get(), m_sink.get());
    EXPECT_NE(server.getSink().get(), m_sink.get());
    EXPECT_NE(server.getSink().get(), nullptr);
    server.setSink(m_sink);
    MsgProtocol("SINK_CHECK", MsgSeverity::Info).display();
    EXPECT_EQ(m_sink->getRecords().size(), 1u);
}

TEST(MsgStreamSink, WritesSeverityAndTextOnOneLine)
{
    std::ostringstream stream;
    MsgStreamSink sink(stream);
    sink.display(MsgRecord{MsgSeverity::Warning, "ID", "The font Arial is unknown."});
    sink.display(MsgRecord{MsgSeverity::Error, "ID", "Broken."});
    EXPECT_EQ(stream.str(), "Warning: The font Arial is unknown.\nError: Broken.\n");
}
