#include "install/worker_pool.h"

#include <chrono>
#include <condition_variable>
#include <thread>

#include "platform/message_loop.h"

namespace foldant {
namespace {

constexpr int kMinimumSetting = 2;
constexpr int kMaximumSetting = 64;
constexpr auto kPumpInterval = std::chrono::milliseconds(10);

std::atomic<TWorkerThreadPool*> processPool{nullptr};

}  // namespace

// One worker thread with an auto-reset job event and stop event.
class TPoolWorker {
  public:
    explicit TPoolWorker(TWorkerThreadPool& pool) : pool_(pool), thread_([this] { Run(); }) {}

    ~TPoolWorker() {
        Stop();
        thread_.join();
    }

    // Under the pool's lock.
    void Give(std::unique_ptr<TWorkerThreadJob> job) {
        busy_ = true;
        std::lock_guard<std::mutex> guard(eventLock_);
        job_ = std::move(job);
        jobEvent_ = true;
        wake_.notify_one();
    }

    void Stop() {
        stopping_ = true;
        std::lock_guard<std::mutex> guard(eventLock_);
        stopEvent_ = true;
        wake_.notify_one();
    }

    bool Busy() const { return busy_; }
    void SetIdle() { busy_ = false; }

  private:
    void Run() {
        for (;;) {
            std::unique_ptr<TWorkerThreadJob> job;
            {
                std::unique_lock<std::mutex> guard(eventLock_);
                wake_.wait(guard, [this] { return jobEvent_ || stopEvent_; });
                if (stopEvent_) {
                    return;
                }
                jobEvent_ = false;
                job = std::move(job_);
            }
            while (job) {
                try {
                    job->Execute();
                } catch (...) {
                }
                job.reset();
                pool_.JobFinished();
                job = stopping_ ? nullptr : pool_.NextJobFor(*this);
            }
            if (stopping_) {
                busy_ = false;
                return;
            }
        }
    }

    TWorkerThreadPool& pool_;
    std::unique_ptr<TWorkerThreadJob> job_;
    std::atomic<bool> busy_{false};
    std::atomic<bool> stopping_{false};
    std::mutex eventLock_;
    std::condition_variable wake_;
    bool jobEvent_ = false;
    bool stopEvent_ = false;
    std::thread thread_;
};

TWorkerThreadPool::TWorkerThreadPool() : pump_([] { platform::DispatchPendingMessages(); }) {}

TWorkerThreadPool::~TWorkerThreadPool() {
    std::vector<std::unique_ptr<TPoolWorker>> workers;
    {
        std::lock_guard<std::mutex> guard(lock_);
        pending_ -= static_cast<int>(queue_.size());
        queue_.clear();
        for (auto& worker : workers_) {
            worker->Stop();
        }
        workers.swap(workers_);
    }
    // Waiting outside the lock: a worker that finishes its job at this moment may still ask the
    // pool for the next one.
    for (auto& worker : workers) {
        PumpWhile([&] { return worker->Busy(); });
    }
    workers.clear();
}

void TWorkerThreadPool::SetMinWorkers(int count) {
    if (count >= kMinimumSetting && count <= kMaximumSetting) {
        std::lock_guard<std::mutex> guard(lock_);
        minWorkers_ = count;
    }
}

void TWorkerThreadPool::SetMaxWorkers(int count) {
    if (count >= kMinimumSetting && count <= kMaximumSetting) {
        std::lock_guard<std::mutex> guard(lock_);
        maxWorkers_ = count;
    }
}

void TWorkerThreadPool::AddJob(std::unique_ptr<TWorkerThreadJob> job) {
    if (!job) {
        return;
    }
    ++pending_;
    std::lock_guard<std::mutex> guard(lock_);
    if (TPoolWorker* worker = IdleWorkerOrNew()) {
        worker->Give(std::move(job));
    } else {
        queue_.push_back(std::move(job));
    }
    KeepWorkerCountInBounds();
}

int TWorkerThreadPool::WorkerCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(workers_.size());
}

int TWorkerThreadPool::QueuedCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(queue_.size());
}

void TWorkerThreadPool::WaitForJobs() {
    PumpWhile([this] { return pending_.load() > 0; });
}

void TWorkerThreadPool::SetMessagePump(std::function<void()> pump) {
    std::lock_guard<std::mutex> guard(lock_);
    pump_ = std::move(pump);
}

// The worker that finished takes the next queued job itself. Its busy flag is cleared under the
// lock, so AddJob never sees a worker that is about to go idle as busy and strands a job in
// the queue.
std::unique_ptr<TWorkerThreadJob> TWorkerThreadPool::NextJobFor(TPoolWorker& worker) {
    std::lock_guard<std::mutex> guard(lock_);
    if (queue_.empty()) {
        worker.SetIdle();
        return nullptr;
    }
    auto job = std::move(queue_.front());
    queue_.pop_front();
    return job;
}

void TWorkerThreadPool::JobFinished() {
    --pending_;
}

TPoolWorker* TWorkerThreadPool::IdleWorkerOrNew() {
    for (auto& worker : workers_) {
        if (!worker->Busy()) {
            return worker.get();
        }
    }
    if (static_cast<int>(workers_.size()) < maxWorkers_) {
        workers_.push_back(std::make_unique<TPoolWorker>(*this));
        return workers_.back().get();
    }
    return nullptr;
}

// Under the lock. An idle worker waits only for its events and never takes the pool's lock, so
// ending one here cannot deadlock.
void TWorkerThreadPool::KeepWorkerCountInBounds() {
    while (static_cast<int>(workers_.size()) < minWorkers_) {
        workers_.push_back(std::make_unique<TPoolWorker>(*this));
    }
    for (size_t i = workers_.size(); i-- > 0 && static_cast<int>(workers_.size()) > minWorkers_;) {
        if (!workers_[i]->Busy()) {
            workers_.erase(workers_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void TWorkerThreadPool::PumpWhile(const std::function<bool()>& condition) {
    std::function<void()> pump;
    {
        std::lock_guard<std::mutex> guard(lock_);
        pump = pump_;
    }
    while (condition()) {
        if (pump) {
            pump();
        }
        std::this_thread::sleep_for(kPumpInterval);
    }
}

TWorkerThreadPool* WorkerPool() {
    return processPool.load();
}

TWorkerPoolScope::TWorkerPoolScope() : pool_(std::make_unique<TWorkerThreadPool>()) {
    pool_->SetMaxWorkers(5);
    processPool = pool_.get();
}

TWorkerPoolScope::~TWorkerPoolScope() {
    processPool = nullptr;
}

}  // namespace foldant
