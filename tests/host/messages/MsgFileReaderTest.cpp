#include "common/ExpectThrowMessage.h"
#include <Vx/Msg/MsgFileGuard.h>
#include <Vx/Msg/MsgFileReader.h>
#include <Vx/Msg/MsgProtocol.h>
#include <Vx/Msg/MsgServer.h>

#include "host/messages/MsgTestFiles.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace Vx;

namespace {

using Texts = std::vector<std::pair<std::string, std::string>>;

Texts parse(const std::string& content)
{
    std::istringstream input(content);
    return MsgFileReader::parse(input, "test.msg");
}

struct MalformedCase
{
    const char* content;
    int line;
    const char* message;
};

} // namespace

TEST(MsgFileReader, ReadsIdsAndTextsInFileOrder)
{
    const std::string content = "\xEF\xBB\xBF# Messages of a tool.\r\n"
                                "\n"
                                "   \t\n"
                                "  # an indented comment\n"
                                "  \tID_1\t=   a = b # not a comment  \t\n"
                                "_X=y\r\n";
    EXPECT_EQ(parse(content), (Texts{{"ID_1", "a = b # not a comment"}, {"_X", "y"}}));
    EXPECT_TRUE(parse("").empty());
}

TEST(MsgFileReader, MalformedLinesNameFileAndLine)
{
    const std::vector<MalformedCase> cases = {
        {"A = fine\nno equals sign here\n", 2,
         "The message file \"test.msg\", line 2, is malformed: expected \"ID = text\" but found \"no equals sign "
         "here\"."},
        {"# c\n\n1ID = starts with a digit\n", 3,
         "The message file \"test.msg\", line 3, is malformed: \"1ID\" is not a message id (ids are ASCII letters, "
         "digits and underscores, not starting with a digit)."},
        {"TWO WORDS = text\n", 1,
         "The message file \"test.msg\", line 1, is malformed: \"TWO WORDS\" is not a message id (ids are ASCII "
         "letters, digits and underscores, not starting with a digit)."},
        {"EMPTY =   \n", 1, "The message file \"test.msg\", line 1, is malformed: the message EMPTY has no text."},
        {"SAME = one\nOTHER = two\nSAME = three\n", 3,
         "The message file \"test.msg\", line 3, is malformed: the message SAME is already defined on line 1."},
    };
    for (const MalformedCase& c : cases) {
        EXPECT_THROW_MESSAGE(parse(c.content), MsgExFile, c.message);
    }
}

using MsgFileGuardTest = VxTest::MsgFixture;

TEST_F(MsgFileGuardTest, MalformedFileIsAnErrorNamingFileAndLineAndRegistersNothing)
{
    const std::string path = writeFile("broken.msg", "GOOD_BEFORE_BROKEN = fine\n# comment\nbroken line\n");
    EXPECT_THROW_MESSAGE(MsgFileGuard{path}, MsgExFile,
                         "The message file \"" + path +
                             "\", line 3, is malformed: expected \"ID = text\" but found \"broken line\".");
    EXPECT_FALSE(MsgServer::getInstance().getText("GOOD_BEFORE_BROKEN").has_value());
}

TEST_F(MsgFileGuardTest, TextsLiveAsLongAsTheGuard)
{
    const std::string path = writeFile("scoped.msg", "SCOPED_ONE = one %1\nSCOPED_TWO = two\n");
    MsgServer& server = MsgServer::getInstance();
    {
        MsgFileGuard guard(path);
        EXPECT_EQ(server.getText("SCOPED_ONE"), std::optional<std::string>("one %1"));
        EXPECT_EQ(server.getText("SCOPED_TWO"), std::optional<std::string>("two"));
    }
    EXPECT_FALSE(server.getText("SCOPED_ONE").has_value());
    EXPECT_FALSE(server.getText("SCOPED_TWO").has_value());
}
