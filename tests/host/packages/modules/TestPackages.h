// The tag types of the packages that the loader test and its modules share.
#pragma once

namespace VxInit {
/// Registered by the test executable; the good plug-in depends on it.
struct testHostBase;
/// Registered by the good plug-in.
struct testGoodPlugin;
/// Registered by the plug-in whose dependency is missing.
struct testMissingDependency;
/// Registered by nobody.
struct testUnregistered;
} // namespace VxInit
