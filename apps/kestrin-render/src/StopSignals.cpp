// The stop signals of kestrin-render.
#include <Vx/Render/StopSignals.h>

#include <atomic>
#include <csignal>

namespace Vx::Render {

namespace {

std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free atomic");

extern "C" void onStopSignal(int signal)
{
    int none = 0;
    g_stopSignal.compare_exchange_strong(none, signal);
}

} // namespace

void installStopSignalHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes under way go on: the frame they belong to finishes.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int getStopSignal()
{
    return g_stopSignal.load();
}

} // namespace Vx::Render
