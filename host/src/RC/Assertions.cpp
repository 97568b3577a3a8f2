#include <Vx/RC/Assertions.h>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace Vx {

void Assertions::throwAssertionFailed(const char* expression, const char* file, int line)
{
    throw RCExAssertionFailed(expression, std::string("Assertion \"") + expression + "\" failed at " + file + ":" +
                                              std::to_string(line) + ".");
}

void RCExUtil::throwExNullPtr(const std::string& pointerType)
{
    throw RCExNullPtr("Null pointer: a " + pointerType + " was used while empty.");
}

void RCExUtil::throwExCastFailed(const std::string& actualType, const std::string& expectedType)
{
    throw RCExCastFailed("Cast failed: an object of type " + actualType + " cannot be used as " + expectedType + ".");
}

std::string RCExUtil::typeName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}

} // namespace Vx
