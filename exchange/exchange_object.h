#pragma once

// The module's end of the conversation with its host. The channel name's prefix says what kind
// of conversation it is; each message from the host goes to the handler for that kind, and the
// module answers with a final result or a cancel, plus a keep-alive once a minute.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "exchange/module_state.h"
#include "platform/message_loop.h"

namespace foldant {

class TCronJob;
class TClientWaitDataThread;
class TQvCustomJSON;
class TQvJSON;
class TTimerManager;

// dwData of the record by which a later start hands its channel name over.
inline constexpr std::uintptr_t ChannelHandOverTag = 87876;
inline constexpr std::size_t kMaxHandOverLength = 260;

enum class TExchangeMode { None = 0, Data = 1, Response = 2 };

// The mode a channel name selects by its prefix ("error-", "varnel-", "spooler-"; letter case
// matters); any other name gives None.
TExchangeMode ModeOfChannel(const std::string& channel);

class TExChangeObject {
  public:
    // The document belongs to the exchange object and is destroyed when the handler returns.
    using THandler = std::function<void(TExChangeObject&, TQvCustomJSON&)>;

    // Handlers may be empty. Raises when the marker file or the endpoint cannot be made.
    TExChangeObject(const std::string& channel, THandler dataHandler, THandler responseHandler,
                    const TModuleState& module);
    TExChangeObject(const std::string& channel, THandler dataHandler, THandler responseHandler,
                    const TModuleState& module, TTimerManager& timers);
    ~TExChangeObject();
    TExChangeObject(const TExChangeObject&) = delete;
    TExChangeObject& operator=(const TExChangeObject&) = delete;

    // Adds "UID", "Succeded" 1 and "Infinite" false to the caller's document and sends it as the
    // final result; the caller keeps the document. A result that does not fit the block even
    // with its bytes from 128 up unescaped is sent as a cancel, so the host always gets its
    // final word.
    void SendResult(TQvJSON& document);
    void SendCancel();
    void SendKeepAlive();

    // For every kCopyDataMessage of the main window; a hand-over switches to the named channel,
    // after the cancel that the conversation on the old one is owed.
    void HandleCopyData(platform::TMessage& message);
    void WindowHandler(platform::TMessage& message);

    TExchangeMode Mode() const { return mode_; }
    const std::string& ChannelName() const { return channel_; }
    const std::string& OwnUID() const { return ownUid_; }
    bool TerminalSent() const { return terminalSent_; }
    bool Closing() const { return closing_; }
    platform::WindowHandle MessageWindow() const { return window_; }

  private:
    void HandleIncomingText(const std::string& text);
    void Stamp(TQvJSON& document);
    void StampCancel(TQvJSON& cancel);
    // A final message counts as the module's final word only once it was written.
    void SendFinal(TQvJSON& document);
    void SendOwedCancel();
    // No keep-alive queued before a final message may replace it. A message too large for the
    // block goes in its shorter form, or as a cancel.
    bool WriteFinalText(const TQvJSON& document);
    void CloseMainWindow();
    void StartWaiting();
    void StopWaiting();

    std::unique_ptr<TCronJob> keepAliveJob_;
    std::string ownUid_;
    bool terminalSent_ = false;
    bool closing_ = false;
    std::unique_ptr<TClientWaitDataThread> waitThread_;
    TExchangeMode mode_;
    std::string channel_;
    platform::WindowHandle window_ = 0;
    THandler dataHandler_;
    THandler responseHandler_;
    const TModuleState& module_;
};

}  // namespace foldant
