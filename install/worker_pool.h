#pragma once

// A small pool of worker threads for actions that may take a while (starting a program, opening
// an address) and must not hold up the caller. The caller waits for the pool to drain only when
// it is about to end.

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace foldant {

class TWorkerThreadJob {
  public:
    virtual ~TWorkerThreadJob() = default;
    // Runs on a worker thread; whatever it raises is dropped.
    virtual void Execute() = 0;
};

class TPoolWorker;

class TWorkerThreadPool {
  public:
    TWorkerThreadPool();
    // Frees the jobs still queued, lets the running ones finish (keeping the calling thread's
    // messages moving meanwhile) and ends every worker.
    ~TWorkerThreadPool();
    TWorkerThreadPool(const TWorkerThreadPool&) = delete;
    TWorkerThreadPool& operator=(const TWorkerThreadPool&) = delete;

    // Both accept only 2 to 64 and leave the setting unchanged otherwise.
    void SetMinWorkers(int count);
    void SetMaxWorkers(int count);

    // The pool owns the job from here on and frees it after it ran.
    void AddJob(std::unique_ptr<TWorkerThreadJob> job);
    // Jobs queued or running and not yet finished.
    int PendingCount() const { return pending_.load(); }
    int WorkerCount() const;
    int QueuedCount() const;

    // Returns when nothing is pending; until then it keeps dispatching the calling thread's
    // messages through the message pump.
    void WaitForJobs();
    // What keeps the caller's messages moving while it waits; by default the platform message
    // loop's pending messages are dispatched.
    void SetMessagePump(std::function<void()> pump);

  private:
    friend class TPoolWorker;
    // Called by a worker that finished a job: the next queued job for it, or nothing, in which
    // case the worker is idle from here on.
    std::unique_ptr<TWorkerThreadJob> NextJobFor(TPoolWorker& worker);
    void JobFinished();
    TPoolWorker* IdleWorkerOrNew();
    void KeepWorkerCountInBounds();
    void PumpWhile(const std::function<bool()>& condition);

    std::atomic<int> pending_{0};
    std::vector<std::unique_ptr<TPoolWorker>> workers_;
    std::deque<std::unique_ptr<TWorkerThreadJob>> queue_;
    int minWorkers_ = 1;
    int maxWorkers_ = 1;
    mutable std::mutex lock_;
    std::function<void()> pump_;
};

// The pool of the process, or null before the module's start-up and after its end.
TWorkerThreadPool* WorkerPool();

// Creates the process's pool (one to five workers) for its lifetime and removes it at the end.
class TWorkerPoolScope {
  public:
    TWorkerPoolScope();
    ~TWorkerPoolScope();
    TWorkerPoolScope(const TWorkerPoolScope&) = delete;
    TWorkerPoolScope& operator=(const TWorkerPoolScope&) = delete;
    TWorkerThreadPool& Pool() { return *pool_; }

  private:
    std::unique_ptr<TWorkerThreadPool> pool_;
};

}  // namespace foldant
