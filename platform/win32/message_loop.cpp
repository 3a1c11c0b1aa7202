#include "platform/message_loop.h"

#include <atomic>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

constexpr const wchar_t* kClassName = L"KepUtilWindow";
// A posted message travels as one of these two window messages with its record in lParam;
// paint messages have their own, so that PumpWait can take them alone.
constexpr UINT kCarriedMessage = WM_APP + 0x2A0;
constexpr UINT kCarriedPaint = WM_APP + 0x2A1;

struct Endpoint {
    HWND window = nullptr;
    MessageHandler handler;
};

struct Carried {
    WindowHandle window;
    TMessage message;
    MessageDiscard discard;
};

std::atomic<bool> shuttingDown{false};

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = text != nullptr ? win32::Ansi(text) : "error " + std::to_string(error);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message;
}

void Discard(const Carried& item) {
    if (item.discard) {
        item.discard(item.message);
    }
}

void ReportError(const std::exception& error);

// Every endpoint is a hidden message-only window of the thread that allocated it; posted
// messages go through that thread's message queue. The table maps the handles callers hold,
// which are never reused, to the windows. It is never destroyed, so that threads and static
// destructors that post late still find it.
class Loop {
  public:
    WindowHandle Allocate(MessageHandler handler) {
        if (shuttingDown) {
            throw std::runtime_error(
                "Unable to create KepWin32 hidden window. KepUtilWindow: the process is shutting "
                "down");
        }
        RegisterClassOnce();
        HWND window =
            ::CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (window == nullptr) {
            throw std::runtime_error("Unable to create KepWin32 hidden window. " +
                                     SystemMessage(::GetLastError()));
        }
        std::lock_guard lock(mutex_);
        const WindowHandle handle = ++lastHandle_;
        endpoints_[handle] = std::make_shared<Endpoint>(Endpoint{window, std::move(handler)});
        ::SetWindowLongPtrW(window, GWLP_USERDATA, static_cast<LONG_PTR>(handle));
        return handle;
    }

    void Deallocate(WindowHandle handle) {
        std::shared_ptr<Endpoint> endpoint;
        {
            std::lock_guard lock(mutex_);
            auto it = endpoints_.find(handle);
            if (it == endpoints_.end()) {
                return;
            }
            endpoint = it->second;
            endpoints_.erase(it);
        }
        // What is still queued for the window would vanish with it; free what it carries.
        MSG queued{};
        while (
            ::PeekMessageW(&queued, endpoint->window, kCarriedMessage, kCarriedPaint, PM_REMOVE)) {
            std::unique_ptr<Carried> item(reinterpret_cast<Carried*>(queued.lParam));
            Discard(*item);
        }
        ::DestroyWindow(endpoint->window);
    }

    int Count() {
        std::lock_guard lock(mutex_);
        return static_cast<int>(endpoints_.size());
    }

    bool Post(const Carried& carried) {
        auto item = std::make_unique<Carried>(carried);
        {
            std::lock_guard lock(mutex_);
            auto it = endpoints_.find(item->window);
            const UINT message =
                item->message.Msg == kPaintMessage ? kCarriedPaint : kCarriedMessage;
            if (it != endpoints_.end() && ::PostMessageW(it->second->window, message, 0,
                                                         reinterpret_cast<LPARAM>(item.get()))) {
                item.release();
                return true;
            }
        }
        Discard(*item);
        return false;
    }

    std::intptr_t Send(WindowHandle handle, TMessage message) {
        if (shuttingDown) {
            return 1;
        }
        auto endpoint = Find(handle);
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
        ::SetEvent(Wakeup());
    }

    bool Quit() {
        std::lock_guard lock(mutex_);
        return quit_;
    }

    int Run() {
        while (true) {
            DispatchPending();
            {
                std::lock_guard lock(mutex_);
                if (quit_ && !MessagesWaiting()) {
                    quit_ = false;
                    ::ResetEvent(Wakeup());
                    return exitCode_;
                }
            }
            WaitForInput(INFINITE);
        }
    }

    void DispatchPending() {
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    bool DispatchUntil(const std::function<bool()>& done, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done() && !Quit()) {
            MSG message{};
            if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
                continue;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                break;
            }
            WaitForInput(static_cast<DWORD>(left));
        }
        return done();
    }

    void Pump(int milliseconds) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (!Quit()) {
            MSG message{};
            while (::PeekMessageW(&message, nullptr, kCarriedPaint, kCarriedPaint, PM_REMOVE) ||
                   ::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
                ::DispatchMessageW(&message);
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                return;
            }
            HANDLE wake = Wakeup();
            // Wakes for new paint messages or a quit only; everything else stays queued.
            ::MsgWaitForMultipleObjectsEx(1, &wake, static_cast<DWORD>(left),
                                          QS_PAINT | QS_POSTMESSAGE, 0);
        }
    }

    HANDLE Wakeup() {
        std::call_once(wakeupOnce_,
                       [this] { wakeup_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); });
        return wakeup_;
    }

    void Deliver(HWND window, Carried& item) {
        if (shuttingDown) {
            Discard(item);
            return;
        }
        auto handle = static_cast<WindowHandle>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        auto endpoint = handle == item.window ? Find(handle) : nullptr;
        if (!endpoint) {
            Discard(item);
            return;
        }
        Call(*endpoint, item.message);
    }

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

    void RegisterClassOnce() {
        std::call_once(classOnce_, [this] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WindowProcedure;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kClassName;
            classError_ = ::RegisterClassExW(&windowClass) != 0 ? 0 : ::GetLastError();
        });
        if (classError_ != 0 && classError_ != ERROR_CLASS_ALREADY_EXISTS) {
            throw std::runtime_error("Unable to register KepWin32 hidden window class. " +
                                     SystemMessage(classError_));
        }
    }

    // Called with the lock held.
    static bool MessagesWaiting() {
        MSG message{};
        return ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) != 0;
    }

    void WaitForInput(DWORD milliseconds) {
        HANDLE wake = Wakeup();
        ::MsgWaitForMultipleObjectsEx(1, &wake, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }

    std::shared_ptr<Endpoint> Find(WindowHandle handle) {
        std::lock_guard lock(mutex_);
        auto it = endpoints_.find(handle);
        return it == endpoints_.end() ? nullptr : it->second;
    }

    static void Call(Endpoint& endpoint, TMessage& message) {
        try {
            endpoint.handler(message);
        } catch (const std::exception& error) {
            ReportError(error);
        }
    }

    std::mutex mutex_;
    std::map<WindowHandle, std::shared_ptr<Endpoint>> endpoints_;
    WindowHandle lastHandle_ = 0;
    bool quit_ = false;
    int exitCode_ = 0;
    std::once_flag classOnce_;
    DWORD classError_ = 0;
    std::once_flag wakeupOnce_;
    HANDLE wakeup_ = nullptr;
};

Loop& TheLoop() {
    static Loop* loop = new Loop;
    return *loop;
}

LRESULT CALLBACK Loop::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCarriedMessage || message == kCarriedPaint) {
        std::unique_ptr<Carried> item(reinterpret_cast<Carried*>(lParam));
        TheLoop().Deliver(window, *item);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

std::mutex errorMutex;
std::function<void(const std::exception&)> errorHandler;
std::mutex hookMutex;
std::function<void(int)> pumpWaitHandler;

void ReportError(const std::exception& error) {
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
    return TheLoop().Post(Carried{window, TMessage{message, wParam, lParam, 0}, discard});
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
    return win32::HandleToInt(TheLoop().Wakeup());
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
