#pragma once

// Timers watched by one process-wide manager thread. The manager checks every timer once per
// change of the clock's second and, when one is due, posts TimerFireMessage to the timer's own
// endpoint, so that the timer's work runs on the main thread.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "exchange/cron_schedule.h"
#include "platform/clock.h"
#include "platform/message_loop.h"

namespace foldant {

inline constexpr std::uint32_t TimerFireMessage = 14933;

class TClock {
  public:
    virtual ~TClock() = default;
    virtual platform::LocalTime Now() = 0;
    // How long the manager may sleep before it reads the clock again.
    virtual int MillisecondsToNextReading() { return 10; }
};

class TSystemClock : public TClock {
  public:
    platform::LocalTime Now() override { return platform::CurrentLocalTime(); }
    // Just past the next change of the second: reading the clock every 10 ms would find the
    // same second a hundred times over.
    int MillisecondsToNextReading() override;
};

class TTimerManager;

// Gives an object a message endpoint on the main thread.
class THandleComponent {
  public:
    THandleComponent();
    virtual ~THandleComponent();
    THandleComponent(const THandleComponent&) = delete;
    THandleComponent& operator=(const THandleComponent&) = delete;

    platform::WindowHandle Handle() const { return window_; }

  protected:
    virtual void MessageProc(platform::TMessage& message);

  private:
    platform::WindowHandle window_ = 0;
};

// A timer known to a manager. The most derived class adds itself to the manager when it is fully
// built; the timer leaves the manager's list again when it is destroyed.
class TCustomTimer : public THandleComponent {
  public:
    explicit TCustomTimer(TTimerManager& manager);
    ~TCustomTimer() override;

    virtual bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    int FireCount() const { return fireCount_; }
    // Asked by the manager thread with the manager's lock held.
    virtual bool IsDue(const platform::LocalTime& time) const = 0;

  protected:
    void MessageProc(platform::TMessage& message) override;
    virtual void DoTimer();
    virtual void ResetCount() { fireCount_ = 0; }
    TTimerManager& Manager() { return manager_; }

  private:
    TTimerManager& manager_;
    std::atomic<bool> enabled_{true};
    int fireCount_ = 0;
};

class TCronJob : public TCustomTimer {
  public:
    using THandler = std::function<void(TCronJob&)>;

    explicit TCronJob(TTimerManager& manager);
    TCronJob();  // on the process-wide manager
    ~TCronJob() override;

    // A text equal to the current one changes nothing.
    void SetSchedule(const std::string& text);
    const std::string& Schedule() const { return scheduleText_; }
    THandler OnTimer;

    bool IsDue(const platform::LocalTime& time) const override;

  protected:
    void DoTimer() override;

  private:
    std::string scheduleText_;
    std::unique_ptr<TCronSchedule> schedule_;
};

// The manager's list: a timer appears at most once; the list does not own its timers.
class TLockedTimerList {
  public:
    std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex_); }
    // Both take the lock themselves.
    void Add(TCustomTimer& timer);
    void Remove(TCustomTimer& timer);
    // Callers hold the lock.
    const std::vector<TCustomTimer*>& Items() const { return items_; }

  private:
    std::mutex mutex_;
    std::vector<TCustomTimer*> items_;
};

class TTimerManager {
  public:
    explicit TTimerManager(std::unique_ptr<TClock> clock = std::make_unique<TSystemClock>());
    ~TTimerManager();
    TTimerManager(const TTimerManager&) = delete;
    TTimerManager& operator=(const TTimerManager&) = delete;

    void AddTimer(TCustomTimer& timer) { list_.Add(timer); }
    void RemoveTimer(TCustomTimer& timer) { list_.Remove(timer); }
    std::unique_lock<std::mutex> LockList() { return list_.Lock(); }

    // How many times the thread has checked its timers (once per new second); tests wait on it.
    std::uint64_t Checks();
    bool WaitForChecks(std::uint64_t count, int timeoutMs);

  private:
    void Execute();
    void CheckTimers(const platform::LocalTime& now);

    std::unique_ptr<TClock> clock_;
    TLockedTimerList list_;
    int lastSecond_ = -1;
    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    bool terminated_ = false;
    std::uint64_t checks_ = 0;
    std::thread thread_;
};

// The one manager of the process, made on first use and stopped at process exit.
TTimerManager& TimerManager();

}  // namespace foldant
