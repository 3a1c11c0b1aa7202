#include "exchange/timers.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/message_loop.h"
#include "tests/exchange/test_support.h"

namespace foldant {
namespace {

using testing::ManagedClock;

struct CountingJob {
    explicit CountingJob(TTimerManager& manager) : job(manager) {
        job.OnTimer = [this](TCronJob& fired) {
            EXPECT_EQ(&fired, &job);
            ++calls;
        };
    }
    TCronJob job;
    int calls = 0;
};

TEST(CronJob, FiresOncePerMatchingSecond) {
    ManagedClock clock;
    CountingJob counting(clock.Manager());
    counting.job.SetSchedule("0 +1 * * * *");

    clock.ShowTime(11, 59, 59);
    EXPECT_EQ(counting.calls, 0);
    clock.ShowTime(12, 0, 0);
    EXPECT_EQ(counting.calls, 1);
    // The manager reads the clock every 10 ms; the same second is checked only once.
    EXPECT_FALSE(clock.Manager().WaitForChecks(clock.Manager().Checks() + 1, 200));
    platform::DispatchPendingMessages();
    EXPECT_EQ(counting.calls, 1);
    clock.ShowTime(12, 0, 30);
    EXPECT_EQ(counting.calls, 1);
    clock.ShowTime(12, 0, 59);
    clock.ShowTime(12, 1, 0);
    EXPECT_EQ(counting.calls, 2);
    EXPECT_EQ(counting.job.FireCount(), 2);
}

TEST(CronJob, NeverFiresWithoutASchedule) {
    ManagedClock clock;
    CountingJob counting(clock.Manager());
    clock.ShowTime(12, 0, 0);
    clock.ShowTime(12, 0, 1);
    EXPECT_EQ(counting.calls, 0);
}

TEST(CronJob, DisabledJobDoesNotFire) {
    ManagedClock clock;
    CountingJob counting(clock.Manager());
    counting.job.SetSchedule("*");
    counting.job.SetEnabled(false);
    clock.ShowTime(12, 0, 0);
    EXPECT_EQ(counting.calls, 0);
}

TEST(CronJob, SameScheduleTextKeepsTheFireCount) {
    ManagedClock clock;
    CountingJob counting(clock.Manager());
    counting.job.SetSchedule("*");
    clock.ShowTime(12, 0, 0);
    clock.ShowTime(12, 0, 1);
    ASSERT_EQ(counting.job.FireCount(), 2);
    counting.job.SetSchedule("*");
    EXPECT_EQ(counting.job.FireCount(), 2);
    counting.job.SetSchedule("* *");
    EXPECT_EQ(counting.job.FireCount(), 0);
    EXPECT_EQ(counting.job.Schedule(), "* *");
}

TEST(CronJob, FireCountWrapsAtOneThousand) {
    ManagedClock clock;
    CountingJob counting(clock.Manager());
    for (int i = 0; i < 999; ++i) {
        platform::PostMessageTo(counting.job.Handle(), TimerFireMessage, 0, 0);
    }
    platform::DispatchPendingMessages();
    EXPECT_EQ(counting.job.FireCount(), 999);
    platform::PostMessageTo(counting.job.Handle(), TimerFireMessage, 0, 0);
    platform::DispatchPendingMessages();
    EXPECT_EQ(counting.job.FireCount(), 0);
    EXPECT_EQ(counting.calls, 1000);
}

TEST(CronJob, DestroyedJobLosesItsPostedFire) {
    ManagedClock clock;
    int calls = 0;
    auto job = std::make_unique<TCronJob>(clock.Manager());
    job->OnTimer = [&](TCronJob&) { ++calls; };
    job->SetSchedule("*");
    std::uint64_t before = clock.Manager().Checks();
    platform::PostMessageTo(job->Handle(), TimerFireMessage, 0, 0);
    job.reset();
    platform::DispatchPendingMessages();
    EXPECT_EQ(calls, 0);
    // The manager no longer knows the job: later seconds go by without touching it.
    clock.ShowTime(12, 0, 0);
    EXPECT_GT(clock.Manager().Checks(), before);
    EXPECT_EQ(calls, 0);
}

TEST(CronJob, QueryEndSessionIsAnsweredWithOne) {
    ManagedClock clock;
    TCronJob job(clock.Manager());
    EXPECT_EQ(platform::SendMessageTo(job.Handle(), platform::kQueryEndSessionMessage, 0, 0), 1);
    EXPECT_EQ(platform::SendMessageTo(job.Handle(), 1234, 0, 0), 0);
}

TEST(TimerManager, KeepsEachTimerOnce) {
    ManagedClock clock;
    CountingJob counting(clock.Manager());
    counting.job.SetSchedule("*");
    clock.Manager().AddTimer(counting.job);
    clock.ShowTime(12, 0, 0);
    EXPECT_EQ(counting.calls, 1);
}

}  // namespace
}  // namespace foldant
