// The request manager's worker thread and the render gate.
#include <Vx/Px/PxRequestMgr.h>

#include <exception>

namespace Vx {

namespace {
thread_local bool t_isWorker = false;
} // namespace

void PxRequest::postExecute()
{
    PxRequestMgr::getInstance().requestExecuted(*this);
}

PxRequestMgr& PxRequestMgr::getInstance()
{
    static PxRequestMgr instance;
    return instance;
}

PxRequestMgr::PxRequestMgr() : m_worker([this] { run(); }) {}

PxRequestMgr::~PxRequestMgr()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void PxRequestMgr::queueRequest(const RCShdPtr<PxRequest>& request)
{
    if (!request)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(request);
        ++m_queued;
    }
    m_wake.notify_one();
}

void PxRequestMgr::waitForIdle()
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const std::uint64_t target = m_queued;
        m_idle.wait(lock, [&] { return m_executed >= target; });
    }
    collectCompleted();
}

void PxRequestMgr::collectCompleted()
{
    std::vector<RCShdPtr<PxRequest>> done;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        done.swap(m_completed);
    }
    // `done` releases the requests (and the node references they hold) here, on this thread.
}

void PxRequestMgr::requestExecuted(PxRequest& request)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_completed.emplace_back(&request);
}

bool PxRequestMgr::isWorkerThreadCurrent() const
{
    return t_isWorker;
}

std::vector<std::string> PxRequestMgr::takeErrors()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> errors;
    errors.swap(m_errors);
    return errors;
}

std::uint64_t PxRequestMgr::getExecutedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_executed;
}

void PxRequestMgr::run()
{
    t_isWorker = true;
    for (;;) {
        RCShdPtr<PxRequest> request;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopping, and nothing left to run
            request = std::move(m_queue.front());
            m_queue.pop_front();
        }
        std::string error;
        {
            std::unique_lock<std::shared_mutex> gate(m_renderGate);
            try {
                request->performExecute();
                request->completeExecution();
                request->postExecute();
                request->performCleanUp();
            } catch (const std::exception& e) {
                error = e.what();
            } catch (...) {
                error = "A request failed with an unknown exception.";
            }
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!error.empty())
                m_errors.push_back(std::move(error));
            // This thread's own reference goes back too, not released here: the graph thread may
            // already have collected what postExecute handed back (or a failed request never
            // reached postExecute), and the last reference to a request, with the node references
            // it holds, must be dropped on the graph thread.
            m_completed.push_back(std::move(request));
            ++m_executed;
        }
        m_idle.notify_all();
    }
}

PxRequestMgr::RenderScope::RenderScope() : m_lock(PxRequestMgr::getInstance().m_renderGate), m_wasWorker(t_isWorker)
{
    t_isWorker = true;
}

PxRequestMgr::RenderScope::~RenderScope()
{
    t_isWorker = m_wasWorker;
}

} // namespace Vx
