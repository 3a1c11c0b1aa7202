#include "exchange/timers.h"

#include <algorithm>
#include <chrono>

#include "platform/thread_priority.h"

namespace foldant {

namespace {

constexpr int kMaxFireCount = 1000;
constexpr int kMinReadingInterval = 10;
constexpr int kPastTheSecond = 2;

}  // namespace

int TSystemClock::MillisecondsToNextReading() {
    return std::max(kMinReadingInterval, 1000 - platform::MillisecondOfSecond() + kPastTheSecond);
}

THandleComponent::THandleComponent()
    : window_(platform::AllocateHiddenWindow(
          [this](platform::TMessage& message) { MessageProc(message); })) {}

THandleComponent::~THandleComponent() {
    platform::DeallocateHiddenWindow(window_);
}

void THandleComponent::MessageProc(platform::TMessage& message) {
    message.Result = message.Msg == platform::kQueryEndSessionMessage ? 1 : 0;
}

TCustomTimer::TCustomTimer(TTimerManager& manager) : manager_(manager) {}

TCustomTimer::~TCustomTimer() {
    manager_.RemoveTimer(*this);
}

void TCustomTimer::MessageProc(platform::TMessage& message) {
    if (message.Msg == TimerFireMessage) {
        DoTimer();
        return;
    }
    THandleComponent::MessageProc(message);
}

void TCustomTimer::DoTimer() {
    if (++fireCount_ >= kMaxFireCount) {
        ResetCount();
    }
}

// The manager thread calls the job's virtual operations, so the job joins its list only once it
// is whole and leaves it before any part of it is gone.
TCronJob::TCronJob(TTimerManager& manager)
    : TCustomTimer(manager), schedule_(std::make_unique<TCronSchedule>()) {
    Manager().AddTimer(*this);
}

TCronJob::TCronJob() : TCronJob(TimerManager()) {}

TCronJob::~TCronJob() {
    Manager().RemoveTimer(*this);
}

void TCronJob::SetSchedule(const std::string& text) {
    if (text == scheduleText_) {
        return;
    }
    auto parsed = std::make_unique<TCronSchedule>();
    parsed->ParseSchedule(text);
    {
        auto lock = Manager().LockList();
        scheduleText_ = text;
        schedule_ = std::move(parsed);
    }
    ResetCount();
}

bool TCronJob::IsDue(const platform::LocalTime& time) const {
    return schedule_ && schedule_->Matches(time);
}

void TCronJob::DoTimer() {
    TCustomTimer::DoTimer();
    if (OnTimer) {
        OnTimer(*this);
    }
}

void TLockedTimerList::Add(TCustomTimer& timer) {
    std::lock_guard lock(mutex_);
    if (std::find(items_.begin(), items_.end(), &timer) == items_.end()) {
        items_.push_back(&timer);
    }
}

void TLockedTimerList::Remove(TCustomTimer& timer) {
    std::lock_guard lock(mutex_);
    items_.erase(std::remove(items_.begin(), items_.end(), &timer), items_.end());
}

TTimerManager::TTimerManager(std::unique_ptr<TClock> clock) : clock_(std::move(clock)) {
    thread_ = std::thread([this] {
        platform::RaiseCurrentThreadPriority();
        Execute();
    });
}

TTimerManager::~TTimerManager() {
    {
        std::lock_guard lock(stateMutex_);
        terminated_ = true;
    }
    stateChanged_.notify_all();
    thread_.join();
}

std::uint64_t TTimerManager::Checks() {
    std::lock_guard lock(stateMutex_);
    return checks_;
}

bool TTimerManager::WaitForChecks(std::uint64_t count, int timeoutMs) {
    std::unique_lock lock(stateMutex_);
    return stateChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return checks_ >= count; });
}

void TTimerManager::Execute() {
    while (true) {
        {
            std::unique_lock lock(stateMutex_);
            auto pause = std::chrono::milliseconds(clock_->MillisecondsToNextReading());
            if (stateChanged_.wait_for(lock, pause, [&] { return terminated_; })) {
                return;
            }
        }
        platform::LocalTime now = clock_->Now();
        if (now.second == lastSecond_) {
            continue;
        }
        lastSecond_ = now.second;
        CheckTimers(now);
        {
            std::lock_guard lock(stateMutex_);
            ++checks_;
        }
        stateChanged_.notify_all();
    }
}

void TTimerManager::CheckTimers(const platform::LocalTime& now) {
    auto lock = list_.Lock();
    for (TCustomTimer* timer : list_.Items()) {
        {
            std::lock_guard state(stateMutex_);
            if (terminated_) {
                return;
            }
        }
        if (timer->GetEnabled() && timer->IsDue(now)) {
            platform::PostMessageTo(timer->Handle(), TimerFireMessage, 0, 0);
        }
    }
}

TTimerManager& TimerManager() {
    static TTimerManager manager;
    return manager;
}

}  // namespace foldant
