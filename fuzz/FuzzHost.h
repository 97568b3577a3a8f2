// The host as kestrin-render sets it up, for the fuzz targets that build compositions: image
// memory, the host's packages, the Slate tool (linked in, registered as its package does) with
// its message file, and the Read tool. Made once per process, on the fuzzing thread, and never
// torn down (libFuzzer ends the process).
//
// Also the small checks the targets share: a failed property aborts with a message on stderr,
// which libFuzzer reports as a crash with the input that caused it.
#pragma once

#include <string>

namespace Vx::Fuzz {

/// Sets the host up the first time it is called; later calls do nothing.
void initializeSlateHost();

/// Aborts with `what` on stderr unless `condition` holds.
void check(bool condition, const std::string& what);

} // namespace Vx::Fuzz
