// EXPECT_THROW_MESSAGE(statement, ExceptionType, message): one line for "this statement throws
// this type with this whole message". The message is compared in full (not as a substring); a
// statement that throws nothing, or throws another type, fails with what it did instead.
#pragma once

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

namespace Vx::test {

/// The type of the exception being handled and what it says, for a failure report.
inline std::string describeCurrentException()
{
    std::string type = "an exception";
    if (const std::type_info* info = abi::__cxa_current_exception_type()) {
        int status = 0;
        const std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(info->name(), nullptr, nullptr, &status),
                                                          std::free);
        type = status == 0 && name ? name.get() : info->name();
    }
    try {
        throw;
    } catch (const std::exception& e) {
        return type + " saying \"" + e.what() + "\"";
    } catch (...) {
        return type;
    }
}

/// Whether `statement` throws `Exception` whose message is `expected` (or, with `prefixOnly`,
/// starts with it: for messages that end with what a library said).
template <class Exception, class Statement>
::testing::AssertionResult throwsMessage(const char* text, const char* typeName, Statement&& statement,
                                         const std::string& expected, bool prefixOnly = false)
{
    try {
        statement();
    } catch (const Exception& e) {
        const std::string what = e.what();
        if (prefixOnly ? what.compare(0, expected.size(), expected) == 0 : what == expected)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << text << "\n  threw " << typeName << " saying\n    \"" << e.what()
                                             << "\"\n  expected\n    \"" << expected << "\"";
    } catch (...) {
        return ::testing::AssertionFailure()
               << text << "\n  threw " << describeCurrentException() << ", not " << typeName;
    }
    return ::testing::AssertionFailure() << text << "\n  threw nothing; expected " << typeName << " saying \""
                                         << expected << "\"";
}

} // namespace Vx::test

#define EXPECT_THROW_MESSAGE(statement, ExceptionType, message)                                                        \
    EXPECT_TRUE(::Vx::test::throwsMessage<ExceptionType>(                                                              \
        #statement, #ExceptionType, [&] { statement; }, (message)))

/// The same for a message that starts with `prefix` and goes on with a library's own words.
#define EXPECT_THROW_MESSAGE_START(statement, ExceptionType, prefix)                                                   \
    EXPECT_TRUE(::Vx::test::throwsMessage<ExceptionType>(                                                              \
        #statement, #ExceptionType, [&] { statement; }, (prefix), true))

#define ASSERT_THROW_MESSAGE(statement, ExceptionType, message)                                                        \
    ASSERT_TRUE(::Vx::test::throwsMessage<ExceptionType>(                                                              \
        #statement, #ExceptionType, [&] { statement; }, (message)))
