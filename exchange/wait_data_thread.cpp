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

// Parsing the same text again would give the same result, so an unchanged block costs only the
// read. A block that holds nothing new is where a queued keep-alive may go.
void TClientWaitDataThread::PollOnce() {
    std::string text;
    bool present = ReadMMF(channel_, text);
    if (present && text != lastRead_) {
        lastRead_ = text;
        ParseAndDeliver(text);
        return;
    }
    WriteQueuedKeepAlive(present ? text : std::string());
}

// A text that does not parse as a whole is torn or not meant for anybody; the document keeps the
// last complete one, and the next change of the block is awaited.
void TClientWaitDataThread::ParseAndDeliver(const std::string& text) {
    auto parsed = std::make_unique<TFastJSON>();
    try {
        parsed->Parse(text);
    } catch (...) {
        return;
    }
    document_ = std::move(parsed);
    DeliverText(document_->ToText());
}

void TClientWaitDataThread::WriteQueuedKeepAlive(const std::string& seen) {
    std::lock_guard lock(keepAliveMutex_);
    if (!keepAlive_) {
        return;
    }
    try {
        if (ReplaceUnchangedText(channel_, seen, *keepAlive_) == TReplaceOutcome::Changed) {
            return;
        }
    } catch (...) {
    }
    keepAlive_.reset();
}

void TClientWaitDataThread::QueueKeepAlive(std::string text) {
    std::lock_guard lock(keepAliveMutex_);
    keepAlive_ = std::move(text);
}

void TClientWaitDataThread::DropKeepAlive() {
    std::lock_guard lock(keepAliveMutex_);
    keepAlive_.reset();
}

bool TClientWaitDataThread::KeepAliveQueued() {
    std::lock_guard lock(keepAliveMutex_);
    return keepAlive_.has_value();
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
