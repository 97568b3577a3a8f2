// Failure helpers shared by the whole host: the exceptions that programming and host errors raise.
//
// One policy for the host layer: a broken precondition is an exception with a full-sentence
// message naming what was expected, never an abort, so that a render request or a command fails
// on its own and the application goes on. Callable from any thread.
#pragma once

#include <stdexcept>
#include <string>

namespace Vx {

/// Raised when a host assertion fails. what() names the expression and where it was checked.
class RCExAssertionFailed : public std::logic_error
{
public:
    RCExAssertionFailed(const std::string& expression, const std::string& message)
        : std::logic_error(message), m_expression(expression)
    {
    }
    /// The asserted expression, exactly as written in the source ("isValid()").
    const std::string& getExpression() const noexcept { return m_expression; }

private:
    std::string m_expression;
};

/// Raised when an empty handle is dereferenced.
class RCExNullPtr : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

/// Raised when a checked down-cast finds an object of another type.
class RCExCastFailed : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

struct Assertions
{
    /// Throws RCExAssertionFailed for `expression`, checked at `file`:`line`.
    [[noreturn]] static void throwAssertionFailed(const char* expression, const char* file, int line);
};

struct RCExUtil
{
    /// Throws RCExNullPtr naming the pointer type that was found empty.
    [[noreturn]] static void throwExNullPtr(const std::string& pointerType);
    /// Throws RCExCastFailed naming the object's type and the type it was asked to be.
    [[noreturn]] static void throwExCastFailed(const std::string& actualType, const std::string& expectedType);
    /// Readable (demangled) name of a type as the compiler reports it.
    static std::string typeName(const std::type_info& type);
};

} // namespace Vx

/// Checks `expr`; when false, raises RCExAssertionFailed with the expression text.
#define VX_ASSERT(expr)                                                                                                \
    ((expr) ? static_cast<void>(0) : ::Vx::Assertions::throwAssertionFailed(#expr, __FILE__, __LINE__))
