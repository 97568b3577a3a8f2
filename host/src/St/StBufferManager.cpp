// The buffer manager's state.
#include <Vx/St/StBufferManager.h>

namespace Vx {

namespace {
bool g_initialized = false;
std::size_t g_budget = 0;
} // namespace

bool StBufferManager::isInitialized()
{
    return g_initialized;
}

void StBufferManager::initialize(std::size_t budgetBytes)
{
    g_initialized = true;
    g_budget = budgetBytes;
}

void StBufferManager::shutdown()
{
    g_initialized = false;
    g_budget = 0;
}

std::size_t StBufferManager::getBudget()
{
    return g_budget;
}

} // namespace Vx
