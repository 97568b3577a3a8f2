// The host's buffer manager: the pool from which images and caches take their memory.
//
// The application initialises it once at start-up, before any composition is opened, and shuts it
// down at exit. Tools ask isInitialized() before work that needs image memory (a tool set up in a
// process without it, such as a command-line inspection, skips that work). Main thread only.
#pragma once

#include <cstddef>

namespace Vx {

class StBufferManager
{
public:
    /// Whether the application has initialised the buffer manager (and not shut it down since).
    static bool isInitialized();
    /// Makes the buffer manager available, with a memory budget in bytes (0: no limit). Calling it
    /// again while initialised only changes the budget.
    static void initialize(std::size_t budgetBytes = 0);
    /// Makes it unavailable again; isInitialized() is false afterwards.
    static void shutdown();
    /// The memory budget given to initialize(), in bytes (0: no limit).
    static std::size_t getBudget();
};

} // namespace Vx
