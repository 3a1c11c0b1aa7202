#pragma once

// The thread that polls a channel block and hands every new text to the main thread. A text is
// new when its normalised form (parsed and printed again by the lightweight JSON model) differs
// from the last one delivered. Only texts that parse as a whole are handed on: the block is
// unsynchronised, and a read may catch the other side in the middle of a write.
//
// The thread also writes the module's keep-alive messages. A keep-alive written from the main
// thread could replace a message the host wrote a moment before, which this thread had not read
// yet; written here, right after a poll that found nothing new, it replaces only what was seen.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/message_loop.h"

namespace foldant {

class TFastJSON;

// Posted with wParam holding a std::string* that the receiver takes over; lParam is 0.
inline constexpr std::uint32_t DataArrivedMessage = 2025;

// Takes over the text a DataArrivedMessage carries.
std::unique_ptr<std::string> TakeDeliveredText(const platform::TMessage& message);

class TCustomWaitDataThread {
  public:
    explicit TCustomWaitDataThread(std::string channel);
    virtual ~TCustomWaitDataThread();
    TCustomWaitDataThread(const TCustomWaitDataThread&) = delete;
    TCustomWaitDataThread& operator=(const TCustomWaitDataThread&) = delete;

    const std::string& ChannelName() const { return channel_; }

  protected:
    std::string channel_;
    std::unique_ptr<TFastJSON> document_;
};

class TClientWaitDataThread : public TCustomWaitDataThread {
  public:
    // The thread runs at once.
    TClientWaitDataThread(std::string channel, platform::WindowHandle window);
    // Stops the thread first when its owner has not.
    ~TClientWaitDataThread() override;

    void Terminate();
    void WaitFor();

    // Posts a copy of the text to the window unless it equals the last text delivered.
    void DeliverText(const std::string& text);

    // Writes the text into the block at the next poll that finds nothing new there; a later
    // keep-alive replaces one still waiting.
    void QueueKeepAlive(std::string text);
    // Forgets a queued keep-alive; one being written at this moment is complete on return, so a
    // message the caller writes next is never overwritten by it.
    void DropKeepAlive();
    bool KeepAliveQueued();

  private:
    void Execute();
    void PollOnce();
    void ParseAndDeliver(const std::string& text);
    void WriteQueuedKeepAlive(const std::string& seen);
    bool Terminated();

    std::string lastText_;
    std::string lastRead_;
    platform::WindowHandle window_;
    std::mutex mutex_;
    std::condition_variable terminateRequested_;
    bool terminated_ = false;
    std::mutex keepAliveMutex_;
    std::optional<std::string> keepAlive_;
    std::thread thread_;
};

}  // namespace foldant
