// EXPECT_THROW_MESSAGE(statement, ExceptionType, message): one line for "this statement throws
// this type with this whole message". The message is compared in full (not as a substring); a
// statement that throws nothing, or throws another type, fails with what it did instead.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>

namespace Vx::test {

/// What the exception being handled says, for a failure report.
inline std::string describeCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return std::string("an exception saying \"") + e.what() + "\"";
    } catch (...) {
        return "an exception that is no std::exception";
    }
}

template <class Exception, class Statement>
::testing::AssertionResult throwsMessage(const char* text, const char* typeName, Statement&& statement,
                                         const std::string& expected)
{
    try {
        statement();
    } catch (const Exception& e) {
        if (expected == e.what())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << text << "\n  threw " << typeName << " saying\n    \"" << e.what()
                                             << "\"\n  expected\n    \"" << expected << "\"";
    } catch (...) {
        return ::testing::AssertionFailure() << text << "\n  threw " << describeCurrentException() << ", not "
                                             << typeName;
    }
    return ::testing::AssertionFailure() << text << "\n  threw nothing; expected " << typeName << " saying \""
                                         << expected << "\"";
}

} // namespace Vx::test

#define EXPECT_THROW_MESSAGE(statement, ExceptionType, message)                                                 \
    EXPECT_TRUE(::Vx::test::throwsMessage<ExceptionType>(#statement, #ExceptionType, [&] { statement; }, (message)))

#define ASSERT_THROW_MESSAGE(statement, ExceptionType, message)                                                 \
    ASSERT_TRUE(::Vx::test::throwsMessage<ExceptionType>(#statement, #ExceptionType, [&] { statement; }, (message)))
