#include "platform/message_loop.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace foldant::platform {

namespace {

constexpr const char* kClassName = "KepUtilWindow";

struct Endpoint {
    MessageHandler handler;
};

struct Queued {
    WindowHandle window;
    TMessage message;
    MessageDiscard discard;
};

std::atomic<bool> shuttingDown{false};

// One loop per process. It is never destroyed, so that threads and static destructors that post
// late still find it.
class Loop {
  public:
    WindowHandle Allocate(MessageHandler handler) {
        std::lock_guard lock(mutex_);
        if (shuttingDown) {
            throw std::runtime_error(std::string("Unable to create KepWin32 hidden window. ") +
                                     kClassName + ": the process is shutting down");
        }
        if (!EnsureWakeup()) {
            throw std::runtime_error(
                std::string("Unable to register KepWin32 hidden window class. ") + kClassName +
                ": " + std::strerror(errno));
        }
        WindowHandle window = ++lastHandle_;
        endpoints_[window] = std::make_shared<Endpoint>(Endpoint{std::move(handler)});
        return window;
    }

    void Deallocate(WindowHandle window) {
        std::deque<Queued> dropped;
        {
            std::lock_guard lock(mutex_);
            if (endpoints_.erase(window) == 0) {
                return;
            }
            for (auto it = queue_.begin(); it != queue_.end();) {
                if (it->window == window) {
                    dropped.push_back(*it);
                    it = queue_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (const auto& item : dropped) {
            Discard(item);
        }
    }

    int Count() {
        std::lock_guard lock(mutex_);
        return static_cast<int>(endpoints_.size());
    }

    bool Post(const Queued& item) {
        {
            std::lock_guard lock(mutex_);
            if (endpoints_.count(item.window) != 0) {
                queue_.push_back(item);
                Signal();
                return true;
            }
        }
        Discard(item);
        return false;
    }

    std::intptr_t Send(WindowHandle window, TMessage message) {
        if (shuttingDown) {
            return 1;
        }
        auto endpoint = Find(window);
        if (!endpoint) {
            return 0;
        }
        Call(*endpoint, message);
        return message.Result;
    }

    void PostQuit(int exitCode) {
        std::lock_guard lock(mutex_);
        quit_ = true;
        exitCode_ = exitCode;
        Signal();
    }

    bool Quit() {
        std::lock_guard lock(mutex_);
        return quit_;
    }

    int Run() {
        while (true) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return !queue_.empty() || quit_; });
            if (queue_.empty()) {
                quit_ = false;
                return exitCode_;
            }
            Queued item = queue_.front();
            queue_.pop_front();
            lock.unlock();
            Deliver(item);
        }
    }

    void DispatchPending() {
        DrainWakeup();
        std::deque<Queued> batch;
        {
            std::lock_guard lock(mutex_);
            batch.swap(queue_);
        }
        while (!batch.empty()) {
            Queued item = batch.front();
            batch.pop_front();
            Deliver(item);
        }
    }

    bool DispatchUntil(const std::function<bool()>& done, int timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            std::unique_lock lock(mutex_);
            if (quit_) {
                break;
            }
            if (queue_.empty() &&
                !changed_.wait_until(lock, deadline, [&] { return !queue_.empty() || quit_; })) {
                break;
            }
            if (queue_.empty()) {
                continue;
            }
            Queued item = queue_.front();
            queue_.pop_front();
            lock.unlock();
            Deliver(item);
        }
        return done();
    }

    void Pump(int milliseconds) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        std::unique_lock lock(mutex_);
        std::uint64_t seen = posted_;
        while (!quit_) {
            TakePaintMessages(lock);
            if (quit_ || !changed_.wait_until(lock, deadline, [&] { return posted_ != seen; })) {
                return;
            }
            seen = posted_;
        }
    }

    int Wakeup() {
        std::lock_guard lock(mutex_);
        EnsureWakeup();
        return wakeup_;
    }

  private:
    std::shared_ptr<Endpoint> Find(WindowHandle window) {
        std::lock_guard lock(mutex_);
        auto it = endpoints_.find(window);
        return it == endpoints_.end() ? nullptr : it->second;
    }

    // Called with the lock held.
    bool EnsureWakeup() {
        if (wakeup_ < 0) {
            wakeup_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        }
        return wakeup_ >= 0;
    }

    // Called with the lock held.
    void Signal() {
        ++posted_;
        if (wakeup_ >= 0) {
            std::uint64_t one = 1;
            [[maybe_unused]] auto written = ::write(wakeup_, &one, sizeof one);
        }
        changed_.notify_all();
    }

    void DrainWakeup() {
        int fd = Wakeup();
        if (fd >= 0) {
            std::uint64_t value = 0;
            [[maybe_unused]] auto read = ::read(fd, &value, sizeof value);
        }
    }

    void TakePaintMessages(std::unique_lock<std::mutex>& lock) {
        for (auto it = queue_.begin(); it != queue_.end();) {
            if (it->message.Msg != kPaintMessage) {
                ++it;
                continue;
            }
            Queued item = *it;
            queue_.erase(it);
            lock.unlock();
            Deliver(item);
            lock.lock();
            it = queue_.begin();
        }
    }

    void Deliver(Queued& item) {
        if (shuttingDown) {
            Discard(item);
            return;
        }
        auto endpoint = Find(item.window);
        if (!endpoint) {
            Discard(item);
            return;
        }
        Call(*endpoint, item.message);
    }

    static void Call(Endpoint& endpoint, TMessage& message) {
        try {
            endpoint.handler(message);
        } catch (const std::exception& error) {
            ReportError(error);
        }
    }

    static void Discard(const Queued& item) {
        if (item.discard) {
            item.discard(item.message);
        }
    }

    static void ReportError(const std::exception& error);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<WindowHandle, std::shared_ptr<Endpoint>> endpoints_;
    std::deque<Queued> queue_;
    WindowHandle lastHandle_ = 0;
    std::uint64_t posted_ = 0;
    bool quit_ = false;
    int exitCode_ = 0;
    int wakeup_ = -1;
};

std::mutex errorMutex;
std::function<void(const std::exception&)> errorHandler;
std::mutex hookMutex;
std::function<void(int)> pumpWaitHandler;

void Loop::ReportError(const std::exception& error) {
    std::function<void(const std::exception&)> handler;
    {
        std::lock_guard lock(errorMutex);
        handler = errorHandler;
    }
    if (handler) {
        handler(error);
    } else {
        std::cerr << error.what() << '\n';
    }
}

Loop& TheLoop() {
    static Loop* loop = new Loop;
    return *loop;
}

// Marks the end of the process once static destruction reaches this unit.
struct ShutdownMarker {
    ~ShutdownMarker() { BeginShutdown(); }
} shutdownMarker;

}  // namespace

WindowHandle AllocateHiddenWindow(MessageHandler handler) {
    return TheLoop().Allocate(std::move(handler));
}

void DeallocateHiddenWindow(WindowHandle window) {
    if (window != 0) {
        TheLoop().Deallocate(window);
    }
}

int HiddenWindowCount() {
    return TheLoop().Count();
}

bool PostMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam, MessageDiscard discard) {
    return TheLoop().Post(Queued{window, TMessage{message, wParam, lParam, 0}, discard});
}

std::intptr_t SendMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) {
    return TheLoop().Send(window, TMessage{message, wParam, lParam, 0});
}

void PostQuitMessage(int exitCode) {
    TheLoop().PostQuit(exitCode);
}

bool QuitRequested() {
    return TheLoop().Quit();
}

int RunMessageLoop() {
    return TheLoop().Run();
}

void DispatchPendingMessages() {
    TheLoop().DispatchPending();
}

bool DispatchMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
    return TheLoop().DispatchUntil(done, timeoutMs);
}

int WakeupDescriptor() {
    return TheLoop().Wakeup();
}

void SetPumpWaitHandler(std::function<void(int)> handler) {
    std::lock_guard lock(hookMutex);
    pumpWaitHandler = std::move(handler);
}

void PumpWait(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    std::function<void(int)> handler;
    {
        std::lock_guard lock(hookMutex);
        handler = pumpWaitHandler;
    }
    if (handler) {
        handler(milliseconds);
    } else {
        TheLoop().Pump(milliseconds);
    }
}

void SetMessageErrorHandler(std::function<void(const std::exception&)> handler) {
    std::lock_guard lock(errorMutex);
    errorHandler = std::move(handler);
}

void BeginShutdown() {
    shuttingDown = true;
}

}  // namespace foldant::platform
