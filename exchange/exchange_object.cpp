#include "exchange/exchange_object.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "exchange/channel_block.h"
#include "exchange/marker_file.h"
#include "exchange/timers.h"
#include "exchange/wait_data_thread.h"
#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/child_process.h"
#include "platform/guid.h"

namespace foldant {

namespace {

struct TChannelPrefix {
    const char* prefix;
    TExchangeMode mode;
};

constexpr TChannelPrefix kPrefixes[] = {
    {"error-", TExchangeMode::None},
    {"varnel-", TExchangeMode::Data},
    {"spooler-", TExchangeMode::Response},
};

constexpr const char* kKeepAliveSchedule = "0 +1 * * * *";
constexpr int kSucceded = 1;
constexpr int kCancelled = 2;

}  // namespace

TExchangeMode ModeOfChannel(const std::string& channel) {
    for (const auto& entry : kPrefixes) {
        if (channel.rfind(entry.prefix, 0) == 0) {
            return entry.mode;
        }
    }
    return TExchangeMode::None;
}

TExChangeObject::TExChangeObject(const std::string& channel, THandler dataHandler,
                                 THandler responseHandler, const TModuleState& module)
    : TExChangeObject(channel, std::move(dataHandler), std::move(responseHandler), module,
                      TimerManager()) {}

TExChangeObject::TExChangeObject(const std::string& channel, THandler dataHandler,
                                 THandler responseHandler, const TModuleState& module,
                                 TTimerManager& timers)
    : mode_(ModeOfChannel(channel)),
      dataHandler_(std::move(dataHandler)),
      responseHandler_(std::move(responseHandler)),
      module_(module) {
    if (mode_ == TExchangeMode::None) {
        WriteMarkerFile(platform::CurrentExecutablePath());
    }
    channel_ = channel;
    ownUid_ = platform::NewGuidText();
    window_ = platform::AllocateHiddenWindow(
        [this](platform::TMessage& message) { WindowHandler(message); });
    StartWaiting();
    keepAliveJob_ = std::make_unique<TCronJob>(timers);
    keepAliveJob_->SetSchedule(kKeepAliveSchedule);
    keepAliveJob_->OnTimer = [this](TCronJob&) { SendKeepAlive(); };
}

TExChangeObject::~TExChangeObject() {
    SendOwedCancel();
    StopWaiting();
    platform::DeallocateHiddenWindow(window_);
    try {
        WriteMarkerFile({});
    } catch (...) {
    }
    keepAliveJob_.reset();
}

void TExChangeObject::Stamp(TQvJSON& document) {
    document.SetTextMember("UID", ownUid_);
}

void TExChangeObject::StampCancel(TQvJSON& cancel) {
    Stamp(cancel);
    cancel.SetIntMember("Succeded", kCancelled);
    cancel.SetBoolMember("Infinite", false);
}

// The waiting thread writes the keep-alive at its next poll that finds no unread text of the
// host in the block.
void TExChangeObject::SendKeepAlive() {
    if (closing_ || !waitThread_) {
        return;
    }
    TQvJSON keepAlive;
    Stamp(keepAlive);
    keepAlive.SetBoolMember("Infinite", true);
    waitThread_->QueueKeepAlive(TQvJSONText::PrintCompact(keepAlive));
}

// The cancel that the conversation on the current channel is owed when the module leaves it
// without its final word: at destruction and before a hand-over switches to another channel.
void TExChangeObject::SendOwedCancel() {
    if (terminalSent_) {
        return;
    }
    try {
        TQvJSON cancel;
        StampCancel(cancel);
        WriteFinalText(cancel);
    } catch (...) {
    }
}

// The final answer always reaches the host: as printed when it fits the block, else in its
// shorter form with the bytes from 128 up unescaped, else as a cancel, which always fits.
bool TExChangeObject::WriteFinalText(const TQvJSON& document) {
    if (waitThread_) {
        waitThread_->DropKeepAlive();
    }
    std::string text = TQvJSONText::PrintCompact(document);
    for (const std::string& form : {text, WithoutHighEscapes(text)}) {
        try {
            return WriteMMFText(form, channel_);
        } catch (const std::runtime_error&) {
        }
    }
    TQvJSON cancel;
    StampCancel(cancel);
    return WriteMMF(cancel, channel_);
}

void TExChangeObject::SendResult(TQvJSON& document) {
    if (closing_) {
        return;
    }
    Stamp(document);
    document.SetIntMember("Succeded", kSucceded);
    document.SetBoolMember("Infinite", false);
    SendFinal(document);
}

void TExChangeObject::SendCancel() {
    if (closing_) {
        return;
    }
    TQvJSON cancel;
    StampCancel(cancel);
    SendFinal(cancel);
}

// Only a final message that reached the block counts as the module's final word; otherwise the
// destruction still owes the host its cancel.
void TExChangeObject::SendFinal(TQvJSON& document) {
    terminalSent_ = false;
    terminalSent_ = WriteFinalText(document);
    CloseMainWindow();
}

void TExChangeObject::CloseMainWindow() {
    platform::WindowHandle main = module_.MainWindowHandle();
    if (main == 0 || module_.IsDebugRun()) {
        return;
    }
    closing_ = true;
    platform::PostMessageTo(main, platform::kCloseMessage, 0, 0);
}

void TExChangeObject::WindowHandler(platform::TMessage& message) {
    if (message.Msg == DataArrivedMessage) {
        auto text = TakeDeliveredText(message);
        if (text) {
            HandleIncomingText(*text);
        }
        return;
    }
    message.Result = message.Msg == platform::kQueryEndSessionMessage ? 1 : 0;
}

void TExChangeObject::HandleIncomingText(const std::string& text) {
    std::unique_ptr<TQvCustomJSON> document = TQvJSONText::ParseJsonText(text);
    if (!document) {
        return;
    }
    if (JsonReadText(document.get(), "UID") == ownUid_) {
        return;
    }
    terminalSent_ = false;
    if (mode_ == TExchangeMode::Data && dataHandler_) {
        dataHandler_(*this, *document);
    } else if (mode_ == TExchangeMode::Response && responseHandler_) {
        responseHandler_(*this, *document);
    }
}

void TExChangeObject::HandleCopyData(platform::TMessage& message) {
    message.Result = 1;
    const auto* record = reinterpret_cast<const platform::TCopyDataStruct*>(message.LParam);
    if (!record || record->dwData != ChannelHandOverTag || !record->lpData) {
        return;
    }
    std::size_t limit = std::min<std::size_t>(record->cbData, kMaxHandOverLength);
    const char* data = static_cast<const char*>(record->lpData);
    const void* nul = std::memchr(data, '\0', limit);
    std::string channel(
        data, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : limit);
    TExchangeMode mode = ModeOfChannel(channel);
    if (mode == TExchangeMode::None) {
        return;
    }
    SendOwedCancel();
    StopWaiting();
    mode_ = mode;
    channel_ = channel;
    // The new host has had no final word yet: leaving it unanswered ends it with a cancel.
    terminalSent_ = false;
    StartWaiting();
}

void TExChangeObject::StartWaiting() {
    waitThread_ = std::make_unique<TClientWaitDataThread>(channel_, window_);
}

void TExChangeObject::StopWaiting() {
    if (waitThread_) {
        waitThread_->Terminate();
        waitThread_->WaitFor();
        waitThread_.reset();
    }
}

}  // namespace foldant
