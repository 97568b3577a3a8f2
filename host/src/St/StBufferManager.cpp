// The buffer manager's state.
#include <Vx/St/StBufferManager.h>

namespace Vx {

namespace {
bool g_initialized = false;
} // namespace

bool StBufferManager::isInitialized()
{
    return g_initialized;
}

void StBufferManager::initialize()
{
    g_initialized = true;
}

void StBufferManager::shutdown()
{
    g_initialized = false;
}

} // namespace Vx
