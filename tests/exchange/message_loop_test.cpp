#include "platform/message_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/exchange/test_support.h"

namespace foldant::platform {
namespace {

// An endpoint that records what reaches it and on which thread.
class Recorder {
  public:
    Recorder()
        : window_(AllocateHiddenWindow([this](TMessage& message) {
              messages.push_back(message.Msg);
              threads.push_back(std::this_thread::get_id());
              message.Result = static_cast<std::intptr_t>(message.WParam) + 1;
          })) {}
    ~Recorder() { DeallocateHiddenWindow(window_); }
    WindowHandle Window() const { return window_; }

    std::vector<std::uint32_t> messages;
    std::vector<std::thread::id> threads;

  private:
    WindowHandle window_;
};

std::atomic<int> discarded{0};
void CountDiscard(const TMessage&) {
    ++discarded;
}

TEST(MessageLoop, PostsFromOtherThreadsRunOnTheDispatchingThread) {
    Recorder recorder;
    std::thread poster([&] {
        for (std::uint32_t i = 1; i <= 50; ++i) {
            PostMessageTo(recorder.Window(), 3000 + i, 0, 0);
        }
    });
    poster.join();
    EXPECT_TRUE(DispatchMessagesUntil([&] { return recorder.messages.size() == 50; },
                                      testing::kPatienceMs));
    for (std::uint32_t i = 0; i < 50; ++i) {
        EXPECT_EQ(recorder.messages[i], 3001 + i);
        EXPECT_EQ(recorder.threads[i], std::this_thread::get_id());
    }
}

TEST(MessageLoop, DispatchWaitsForALatePost) {
    Recorder recorder;
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageTo(recorder.Window(), 3100, 0, 0);
    });
    EXPECT_TRUE(
        DispatchMessagesUntil([&] { return !recorder.messages.empty(); }, testing::kPatienceMs));
    poster.join();
}

TEST(MessageLoop, MessagesForAGoneEndpointAreDiscarded) {
    discarded = 0;
    auto recorder = std::make_unique<Recorder>();
    WindowHandle window = recorder->Window();
    EXPECT_TRUE(PostMessageTo(window, 3200, 0, 0, CountDiscard));
    EXPECT_TRUE(PostMessageTo(window, 3201, 0, 0, CountDiscard));
    recorder.reset();
    EXPECT_EQ(discarded, 2);
    EXPECT_FALSE(PostMessageTo(window, 3202, 0, 0, CountDiscard));
    EXPECT_EQ(discarded, 3);
    DispatchPendingMessages();
    EXPECT_EQ(SendMessageTo(window, 3203, 0, 0), 0);
}

TEST(MessageLoop, HandlesAreNotReused) {
    WindowHandle first = AllocateHiddenWindow([](TMessage&) {});
    DeallocateHiddenWindow(first);
    WindowHandle second = AllocateHiddenWindow([](TMessage&) {});
    EXPECT_NE(first, second);
    DeallocateHiddenWindow(second);
}

TEST(MessageLoop, CountsLiveEndpoints) {
    int before = HiddenWindowCount();
    {
        Recorder a;
        Recorder b;
        EXPECT_EQ(HiddenWindowCount(), before + 2);
    }
    EXPECT_EQ(HiddenWindowCount(), before);
    DeallocateHiddenWindow(0);
    EXPECT_EQ(HiddenWindowCount(), before);
}

TEST(MessageLoop, SendAnswersTheHandlersResult) {
    Recorder recorder;
    EXPECT_EQ(SendMessageTo(recorder.Window(), 3300, 41, 0), 42);
    EXPECT_EQ(recorder.messages, std::vector<std::uint32_t>({3300}));
}

TEST(MessageLoop, PumpWaitRunsOnlyPaintMessages) {
    Recorder recorder;
    PostMessageTo(recorder.Window(), 3400, 0, 0);
    PostMessageTo(recorder.Window(), kPaintMessage, 0, 0);
    std::thread painter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostMessageTo(recorder.Window(), kPaintMessage, 0, 0);
    });
    PumpWait(150);
    painter.join();
    EXPECT_EQ(recorder.messages, std::vector<std::uint32_t>({kPaintMessage, kPaintMessage}));
    DispatchPendingMessages();
    EXPECT_EQ(recorder.messages.back(), 3400u);
}

TEST(MessageLoop, QuitEndsPumpWaitAndStaysForTheLoop) {
    Recorder recorder;
    PostMessageTo(recorder.Window(), 3500, 0, 0);
    PostQuitMessage(7);
    auto start = std::chrono::steady_clock::now();
    PumpWait(60'000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_TRUE(QuitRequested());
    // The loop still hands out what was queued before it ends.
    EXPECT_EQ(RunMessageLoop(), 7);
    EXPECT_EQ(recorder.messages, std::vector<std::uint32_t>({3500}));
    EXPECT_FALSE(QuitRequested());
}

TEST(MessageLoop, HandlerErrorsGoToTheErrorHandlerAndTheLoopGoesOn) {
    std::vector<std::string> errors;
    SetMessageErrorHandler([&](const std::exception& error) { errors.push_back(error.what()); });
    int calls = 0;
    WindowHandle window = AllocateHiddenWindow([&](TMessage&) {
        if (++calls == 1) {
            throw std::runtime_error("first fails");
        }
    });
    PostMessageTo(window, 3600, 0, 0);
    PostMessageTo(window, 3601, 0, 0);
    DispatchPendingMessages();
    SetMessageErrorHandler(nullptr);
    DeallocateHiddenWindow(window);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(errors, std::vector<std::string>({"first fails"}));
}

TEST(MessageLoop, AToolkitMayTakeOverPumpWait) {
    std::vector<int> waits;
    SetPumpWaitHandler([&](int milliseconds) { waits.push_back(milliseconds); });
    PumpWait(100);
    PumpWait(0);
    SetPumpWaitHandler(nullptr);
    EXPECT_EQ(waits, std::vector<int>({100}));
}

TEST(MessageLoop, HasAWakeUpDescriptor) {
    EXPECT_GE(WakeupDescriptor(), 0);
}

}  // namespace
}  // namespace foldant::platform
