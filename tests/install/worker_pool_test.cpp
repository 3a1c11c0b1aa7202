#include "install/worker_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace foldant {
namespace {

// Jobs that hold their worker until the gate opens.
class Gate {
  public:
    void Open() {
        std::lock_guard<std::mutex> guard(lock_);
        open_ = true;
        changed_.notify_all();
    }
    void Pass() {
        std::unique_lock<std::mutex> guard(lock_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(guard, [this] { return open_; });
    }
    bool WaitForWaiting(int count) {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, std::chrono::seconds(5), [&] { return waiting_ >= count; });
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = false;
    int waiting_ = 0;
};

class GatedJob : public TWorkerThreadJob {
  public:
    GatedJob(Gate& gate, std::set<std::thread::id>& threads, std::mutex& lock,
             std::atomic<int>& done)
        : gate_(gate), threads_(threads), lock_(lock), done_(done) {}
    void Execute() override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            threads_.insert(std::this_thread::get_id());
        }
        gate_.Pass();
        ++done_;
    }

  private:
    Gate& gate_;
    std::set<std::thread::id>& threads_;
    std::mutex& lock_;
    std::atomic<int>& done_;
};

class CountedJob : public TWorkerThreadJob {
  public:
    CountedJob(std::atomic<int>& ran, std::atomic<int>& freed, bool fail = false)
        : ran_(ran), freed_(freed), fail_(fail) {}
    ~CountedJob() override { ++freed_; }
    void Execute() override {
        ++ran_;
        if (fail_) {
            throw std::runtime_error("job failed");
        }
    }

  private:
    std::atomic<int>& ran_;
    std::atomic<int>& freed_;
    bool fail_;
};

std::unique_ptr<TWorkerThreadPool> PoolOfFive() {
    auto pool = std::make_unique<TWorkerThreadPool>();
    pool->SetMaxWorkers(5);
    pool->SetMessagePump([] {});
    return pool;
}

TEST(WorkerThreadPool, SixthSimultaneousJobWaitsForOneOfFiveWorkers) {
    auto pool = PoolOfFive();
    Gate gate;
    std::set<std::thread::id> threads;
    std::mutex lock;
    std::atomic<int> done{0};
    for (int i = 0; i < 6; ++i) {
        pool->AddJob(std::make_unique<GatedJob>(gate, threads, lock, done));
    }
    ASSERT_TRUE(gate.WaitForWaiting(5));
    EXPECT_EQ(pool->WorkerCount(), 5);
    EXPECT_EQ(pool->QueuedCount(), 1);
    EXPECT_EQ(pool->PendingCount(), 6);
    gate.Open();
    pool->WaitForJobs();
    EXPECT_EQ(done, 6);
    EXPECT_EQ(pool->PendingCount(), 0);
    EXPECT_EQ(pool->QueuedCount(), 0);
    EXPECT_EQ(threads.size(), 5u);
}

TEST(WorkerThreadPool, TwoJobsAtOnceRunOnTwoWorkers) {
    auto pool = PoolOfFive();
    Gate gate;
    std::set<std::thread::id> threads;
    std::mutex lock;
    std::atomic<int> done{0};
    pool->AddJob(std::make_unique<GatedJob>(gate, threads, lock, done));
    pool->AddJob(std::make_unique<GatedJob>(gate, threads, lock, done));
    ASSERT_TRUE(gate.WaitForWaiting(2));
    EXPECT_EQ(threads.size(), 2u);
    gate.Open();
    pool->WaitForJobs();
    EXPECT_EQ(done, 2);
}

TEST(WorkerThreadPool, FailingJobsAreDroppedAndFreed) {
    auto pool = PoolOfFive();
    std::atomic<int> ran{0};
    std::atomic<int> freed{0};
    for (int i = 0; i < 20; ++i) {
        pool->AddJob(std::make_unique<CountedJob>(ran, freed, i % 2 == 0));
    }
    pool->WaitForJobs();
    EXPECT_EQ(ran, 20);
    EXPECT_EQ(freed, 20);
    // Idle workers beyond the minimum go when the next job comes.
    pool->AddJob(std::make_unique<CountedJob>(ran, freed));
    pool->WaitForJobs();
    EXPECT_LE(pool->WorkerCount(), 2);
}

TEST(WorkerThreadPool, WaitWithNothingPendingReturnsAtOnceWithoutPumping) {
    TWorkerThreadPool pool;
    int pumped = 0;
    pool.SetMessagePump([&] { ++pumped; });
    pool.WaitForJobs();
    EXPECT_EQ(pumped, 0);
}

TEST(WorkerThreadPool, WaitingKeepsTheMessagesMoving) {
    auto pool = PoolOfFive();
    Gate gate;
    std::set<std::thread::id> threads;
    std::mutex lock;
    std::atomic<int> done{0};
    int pumped = 0;
    pool->SetMessagePump([&] {
        if (++pumped == 3) {
            gate.Open();
        }
    });
    pool->AddJob(std::make_unique<GatedJob>(gate, threads, lock, done));
    pool->WaitForJobs();
    EXPECT_GE(pumped, 3);
    EXPECT_EQ(done, 1);
}

TEST(WorkerThreadPool, DestroyingFreesQueuedJobsAndLetsRunningOnesFinish) {
    std::atomic<int> ran{0};
    std::atomic<int> freed{0};
    Gate gate;
    std::set<std::thread::id> threads;
    std::mutex lock;
    std::atomic<int> done{0};
    {
        TWorkerThreadPool pool;  // one worker at most
        pool.SetMessagePump([&] { gate.Open(); });
        pool.AddJob(std::make_unique<GatedJob>(gate, threads, lock, done));
        ASSERT_TRUE(gate.WaitForWaiting(1));
        pool.AddJob(std::make_unique<CountedJob>(ran, freed));
        pool.AddJob(std::make_unique<CountedJob>(ran, freed));
        EXPECT_EQ(pool.QueuedCount(), 2);
    }
    EXPECT_EQ(done, 1);
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(freed, 2);
}

TEST(WorkerThreadPool, SettingsOutsideTwoToSixtyFourAreIgnored) {
    TWorkerThreadPool pool;
    pool.SetMessagePump([] {});
    pool.SetMaxWorkers(1);
    pool.SetMaxWorkers(65);
    Gate gate;
    std::set<std::thread::id> threads;
    std::mutex lock;
    std::atomic<int> done{0};
    pool.AddJob(std::make_unique<GatedJob>(gate, threads, lock, done));
    pool.AddJob(std::make_unique<GatedJob>(gate, threads, lock, done));
    ASSERT_TRUE(gate.WaitForWaiting(1));
    EXPECT_EQ(pool.WorkerCount(), 1);
    EXPECT_EQ(pool.QueuedCount(), 1);
    gate.Open();
    pool.WaitForJobs();
    EXPECT_EQ(done, 2);
}

}  // namespace
}  // namespace foldant
