// Helpers of the message tests: a scratch folder for message files and a list sink installed
// on the message server for the length of a test.
#pragma once

#include <Vx/Msg/MsgServer.h>
#include <Vx/Msg/MsgSink.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace VxTest {

class MsgFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_directory = std::filesystem::temp_directory_path() / ("vx-messages-" + std::to_string(::getpid()) + "-" +
                                                                test->test_suite_name() + "-" + test->name());
        std::filesystem::create_directories(m_directory);
        m_sink = Vx::makeShared<Vx::MsgListSink>();
        m_previousSink = Vx::MsgServer::getInstance().setSink(m_sink);
    }
    void TearDown() override
    {
        Vx::MsgServer::getInstance().setSink(m_previousSink);
        Vx::MsgServer::getInstance().clearSearchDirectories();
        std::filesystem::remove_all(m_directory);
    }

    /// Writes `content` to `name` in the scratch folder and returns its path.
    std::string writeFile(const std::string& name, const std::string& content) const
    {
        const std::filesystem::path path = m_directory / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::filesystem::path m_directory;
    Vx::RCShdPtr<Vx::MsgListSink> m_sink;
    Vx::RCShdPtr<Vx::MsgSink> m_previousSink;
};

} // namespace VxTest
