// SIGINT (Ctrl-C) and SIGTERM (a render farm's stop) ask kestrin-render to stop cleanly: no new
// frame starts, the frames under way finish (each is written whole and renamed, or not at all, so
// no temporary file stays behind), and the run exits with 128 + the signal (130, 143).
//
// The handler only stores the signal number in a lock-free atomic, which is async-signal-safe;
// the render loop reads it between frames (getStopSignal). Installed once by main(), on the main
// thread, before any other thread starts; readable from any thread.
#pragma once

namespace Vx::Render {

/// Installs the handlers of SIGINT and SIGTERM.
void installStopSignalHandlers();
/// The first stop signal received (SIGINT or SIGTERM), or 0.
int getStopSignal();

} // namespace Vx::Render
