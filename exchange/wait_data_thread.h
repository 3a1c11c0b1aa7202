#pragma once

// The thread that polls a channel block and hands every new text to the main thread. A text is
// new when its normalised form (parsed and printed again by the lightweight JSON model) differs
// from the last one delivered.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
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

  private:
    void Execute();
    void PollOnce();
    bool Terminated();

    std::string lastText_;
    std::string lastRead_;
    platform::WindowHandle window_;
    std::mutex mutex_;
    std::condition_variable terminateRequested_;
    bool terminated_ = false;
    std::thread thread_;
};

}  // namespace foldant
