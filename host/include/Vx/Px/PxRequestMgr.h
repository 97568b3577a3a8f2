// Requests: the only way the graph thread changes processing nodes.
//
// The graph (main) thread queues requests; one worker thread of the request manager executes
// them in the order they were queued. While a request executes, no render runs: renders hold the
// manager's render gate shared (RenderScope), a request holds it exclusively. This is what lets
// a processing node be rendered on many threads at once without locks of its own, while a
// request changes it between renders.
//
// After execution a request is handed back to the manager (postExecute) and released later on
// the graph thread (collectCompleted), so that the node handles it holds are never released on
// the worker thread.
#pragma once

#include <Vx/RC/RCShdPtr.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

namespace Vx {

class PxRequest : public RCObject
{
public:
    /// Request type codes, in the low six bits of a type record.
    enum Type : std::uint8_t
    {
        Generic = 0,
        ImageFormat = 4,
        Set = 5,
    };
    static constexpr std::uint8_t kTypeMask = 0x3F;

    /// Writes this request's type code into the low six bits of `record`, keeping its upper bits.
    virtual void getRequestType(std::uint8_t& record) const { record = std::uint8_t((record & ~kTypeMask) | Generic); }
    virtual int getPriorityLevel() const { return 0; }
    /// The change itself; runs on the worker thread.
    virtual void performExecute() = 0;
    virtual void completeExecution() {}
    /// Hands the executed request back to the request manager (to be released on the graph thread).
    virtual void postExecute();
    virtual void performCleanUp() {}
};

class PxRequestMgr
{
public:
    static PxRequestMgr& getInstance();

    /// Queues `request` for execution on the worker thread. Graph thread.
    void queueRequest(const RCShdPtr<PxRequest>& request);
    /// Blocks until every request queued so far has executed, then releases the executed ones.
    /// Graph thread.
    void waitForIdle();
    /// Releases the requests that have executed. Graph thread.
    void collectCompleted();
    /// Called by PxRequest::postExecute on the worker thread.
    void requestExecuted(PxRequest& request);

    /// Whether the calling thread is a worker: the request thread, or a thread inside a RenderScope.
    bool isWorkerThreadCurrent() const;

    /// Messages of the requests whose execution threw, oldest first; taking them empties the list.
    std::vector<std::string> takeErrors();
    std::uint64_t getExecutedCount() const;

    /// Held by a render for as long as it calls into processing nodes: keeps requests from
    /// executing meanwhile and marks the thread as a worker thread.
    class RenderScope
    {
    public:
        RenderScope();
        ~RenderScope();
        RenderScope(const RenderScope&) = delete;
        RenderScope& operator=(const RenderScope&) = delete;

    private:
        std::shared_lock<std::shared_mutex> m_lock;
        bool m_wasWorker;
    };

    PxRequestMgr(const PxRequestMgr&) = delete;
    PxRequestMgr& operator=(const PxRequestMgr&) = delete;

private:
    PxRequestMgr();
    ~PxRequestMgr();
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<RCShdPtr<PxRequest>> m_queue;
    std::vector<RCShdPtr<PxRequest>> m_completed;
    std::vector<std::string> m_errors;
    std::uint64_t m_queued = 0;
    std::uint64_t m_executed = 0;
    bool m_stopping = false;
    std::shared_mutex m_renderGate;
    std::thread m_worker;
};

} // namespace Vx
