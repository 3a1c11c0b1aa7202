#include "exchange/wait_data_thread.h"

#include <chrono>

#include "exchange/channel_block.h"
#include "json/fast_json.h"

namespace foldant {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

void DiscardText(const platform::TMessage& message) {
    TakeDeliveredText(message);
}

}  // namespace

std::unique_ptr<std::string> TakeDeliveredText(const platform::TMessage& message) {
    return std::unique_ptr<std::string>(reinterpret_cast<std::string*>(message.WParam));
}

TCustomWaitDataThread::TCustomWaitDataThread(std::string channel)
    : channel_(std::move(channel)), document_(std::make_unique<TFastJSON>()) {}

TCustomWaitDataThread::~TCustomWaitDataThread() = default;

TClientWaitDataThread::TClientWaitDataThread(std::string channel, platform::WindowHandle window)
    : TCustomWaitDataThread(std::move(channel)), window_(window) {
    thread_ = std::thread([this] { Execute(); });
}

TClientWaitDataThread::~TClientWaitDataThread() {
    Terminate();
    WaitFor();
}

void TClientWaitDataThread::Terminate() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    terminateRequested_.notify_all();
}

void TClientWaitDataThread::WaitFor() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool TClientWaitDataThread::Terminated() {
    std::lock_guard lock(mutex_);
    return terminated_;
}

// The new text is handed on before the pause rather than after it, so that a message waits at
// most one poll interval for delivery.
void TClientWaitDataThread::Execute() {
    try {
        while (!Terminated()) {
            PollOnce();
            std::unique_lock lock(mutex_);
            terminateRequested_.wait_for(lock, kPollInterval, [&] { return terminated_; });
        }
    } catch (...) {
    }
    try {
        DeliverText(document_->ToText());
    } catch (...) {
    }
}

// Parsing the same text again would give the same document, so an unchanged block costs only
// the read.
void TClientWaitDataThread::PollOnce() {
    std::string text;
    if (!ReadMMF(channel_, text) || text == lastRead_) {
        return;
    }
    lastRead_ = text;
    try {
        document_->Parse(text);
    } catch (...) {
    }
    DeliverText(document_->ToText());
}

void TClientWaitDataThread::DeliverText(const std::string& text) {
    if (text == lastText_) {
        return;
    }
    lastText_ = text;
    if (window_ != 0) {
        auto copy = std::make_unique<std::string>(text);
        platform::PostMessageTo(window_, DataArrivedMessage,
                                reinterpret_cast<std::uintptr_t>(copy.release()), 0, DiscardText);
    }
}

}  // namespace foldant
