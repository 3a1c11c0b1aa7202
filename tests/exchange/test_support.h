#pragma once

#include <mutex>
#include <string>

#include "exchange/channel_block.h"
#include "exchange/timers.h"
#include "platform/guid.h"
#include "platform/shared_memory.h"

namespace foldant::testing {

// A channel block that the test plays the host for; removed again at the end of the test.
class TestBlock {
  public:
    explicit TestBlock(const std::string& prefix, std::size_t size = kChannelBlockSize)
        : name_(prefix + platform::NewGuidText()) {
        platform::CreateSharedMemoryBlock(name_, size);
    }
    ~TestBlock() { platform::RemoveSharedMemoryBlock(name_); }
    TestBlock(const TestBlock&) = delete;
    TestBlock& operator=(const TestBlock&) = delete;

    const std::string& Name() const { return name_; }
    std::string Text() const {
        std::string text;
        ReadMMF(name_, text);
        return text;
    }
    void Write(const std::string& text) const { WriteChannelText(name_, text); }

  private:
    std::string name_;
};

// A clock the test sets by hand.
class FakeClock : public TClock {
  public:
    platform::LocalTime Now() override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void Set(int hour, int minute, int second) {
        std::lock_guard lock(mutex_);
        now_ = platform::LocalTime{2026, 12, 9, hour, minute, second, 3};
    }

  private:
    std::mutex mutex_;
    platform::LocalTime now_{2026, 12, 9, 11, 59, 58, 3};
};

// Generous: the machine may be loaded.
inline constexpr int kPatienceMs = 10'000;

// A timer manager of its own on a clock the test sets.
class ManagedClock {
  public:
    ManagedClock();
    TTimerManager& Manager() { return manager_; }
    // Lets the manager see the given time (whose second must differ from the last one shown)
    // and hands out what it posted.
    void ShowTime(int hour, int minute, int second);

  private:
    FakeClock* clock_;
    TTimerManager manager_;
};

}  // namespace foldant::testing
