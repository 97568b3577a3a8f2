// The host's buffer manager: the pool from which images and caches take their memory.
//
// The application initialises it once at start-up, before any composition is opened, and shuts it
// down at exit. Tools ask isInitialized() before work that needs image memory (a tool set up in a
// process without it, such as a command-line inspection, skips that work). Main thread only.
#pragma once

namespace Vx {

class StBufferManager
{
public:
    /// Whether the application has initialised the buffer manager (and not shut it down since).
    static bool isInitialized();
    /// Makes the buffer manager available; calling it again while initialised changes nothing.
    static void initialize();
    /// Makes it unavailable again; isInitialized() is false afterwards.
    static void shutdown();
};

} // namespace Vx
