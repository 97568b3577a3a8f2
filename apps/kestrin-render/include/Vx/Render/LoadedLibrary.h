// The program's libraries that are loaded on first use (ImageIO.h, MovieIO.h).
#pragma once

#include <string>

namespace Vx::Render {

/// The entry point `entry` of the library `library` ("libkestrin_render_io.so"), loaded from the
/// folder the host library was loaded from (where both are built and installed), else by name.
/// Never unloaded. Throws std::runtime_error naming `what` ("image I/O") and the loader's reason.
void* loadLibraryEntry(const std::string& library, const std::string& entry, const std::string& what);

/// The object the entry point `entry` of `library` returns: a `const Interface* entry()`.
template <class Interface>
const Interface& loadLibraryObject(const std::string& library, const std::string& entry, const std::string& what)
{
    return *reinterpret_cast<const Interface* (*)()>(loadLibraryEntry(library, entry, what))();
}

} // namespace Vx::Render
