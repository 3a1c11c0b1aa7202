#include "exchange/wait_data_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/message_loop.h"
#include "platform/shared_memory.h"
#include "tests/exchange/test_support.h"

namespace foldant {
namespace {

using testing::kPatienceMs;
using testing::TestBlock;

class Receiver {
  public:
    Receiver()
        : window_(platform::AllocateHiddenWindow([this](platform::TMessage& message) {
              ASSERT_EQ(message.Msg, DataArrivedMessage);
              EXPECT_EQ(message.LParam, 0);
              texts.push_back(*TakeDeliveredText(message));
          })) {}
    ~Receiver() { platform::DeallocateHiddenWindow(window_); }
    platform::WindowHandle Window() const { return window_; }

    bool WaitFor(std::size_t count) {
        return platform::DispatchMessagesUntil([&] { return texts.size() >= count; }, kPatienceMs);
    }
    // Waits long enough for several polls and answers whether anything more arrived.
    bool NothingMoreAfter(std::size_t count) {
        platform::DispatchMessagesUntil([&] { return texts.size() > count; }, 300);
        return texts.size() == count;
    }

    std::vector<std::string> texts;

  private:
    platform::WindowHandle window_;
};

TEST(WaitDataThread, DeliversEachChangeOfTheBlock) {
    TestBlock block("varnel-");
    Receiver receiver;
    TClientWaitDataThread thread(block.Name(), receiver.Window());
    block.Write("{\"m\":\"A\"}");
    ASSERT_TRUE(receiver.WaitFor(1));
    block.Write("{\"m\":\"B\"}");
    ASSERT_TRUE(receiver.WaitFor(2));
    block.Write("{\"m\":\"A\"}");
    ASSERT_TRUE(receiver.WaitFor(3));
    EXPECT_EQ(receiver.texts,
              std::vector<std::string>({"{\"m\":\"A\"}", "{\"m\":\"B\"}", "{\"m\":\"A\"}"}));
}

TEST(WaitDataThread, TheSameTextTwiceIsDeliveredOnce) {
    TestBlock block("varnel-");
    Receiver receiver;
    TClientWaitDataThread thread(block.Name(), receiver.Window());
    block.Write("{\"m\":\"A\"}");
    ASSERT_TRUE(receiver.WaitFor(1));
    block.Write("{\"m\":\"A\"}");
    // Spelled differently but equal once normalised.
    block.Write("{ \"m\" : \"A\" }");
    EXPECT_TRUE(receiver.NothingMoreAfter(1));
}

TEST(WaitDataThread, DeliversTheNormalisedText) {
    TestBlock block("spooler-");
    Receiver receiver;
    TClientWaitDataThread thread(block.Name(), receiver.Window());
    block.Write("{ \"a\" : [1, 2 ,3 ], \"t\":\"\xE4\" }");
    ASSERT_TRUE(receiver.WaitFor(1));
    EXPECT_EQ(receiver.texts[0], "{\"a\":[1,2,3],\"t\":\"\\u00e4\"}");
}

TEST(WaitDataThread, AnEmptyBlockDeliversNothing) {
    TestBlock block("varnel-");
    Receiver receiver;
    TClientWaitDataThread thread(block.Name(), receiver.Window());
    block.Write("{\"m\":\"A\"}");
    ASSERT_TRUE(receiver.WaitFor(1));
    block.Write("");
    EXPECT_TRUE(receiver.NothingMoreAfter(1));
}

TEST(WaitDataThread, KeepsPollingUntilTheBlockAppears) {
    std::string name = "varnel-late-" + platform::NewGuidText();
    Receiver receiver;
    TClientWaitDataThread thread(name, receiver.Window());
    EXPECT_TRUE(receiver.NothingMoreAfter(0));
    platform::CreateSharedMemoryBlock(name, kChannelBlockSize);
    WriteChannelText(name, "{\"late\":true}");
    bool delivered = receiver.WaitFor(1);
    platform::RemoveSharedMemoryBlock(name);
    ASSERT_TRUE(delivered);
    EXPECT_EQ(receiver.texts[0], "{\"late\":true}");
}

TEST(WaitDataThread, AHalfWrittenTextIsFollowedByTheWholeOne) {
    TestBlock block("varnel-");
    Receiver receiver;
    TClientWaitDataThread thread(block.Name(), receiver.Window());
    block.Write("{\"m\":\"A\",\"n\":");
    block.Write("{\"m\":\"A\",\"n\":1}");
    ASSERT_TRUE(platform::DispatchMessagesUntil(
        [&] { return !receiver.texts.empty() && receiver.texts.back() == "{\"m\":\"A\",\"n\":1}"; },
        kPatienceMs));
}

// A read can catch the host in the middle of a write; what parses only in part is never acted
// on, neither when it is read nor when the thread stops.
TEST(WaitDataThread, OnlyTextsThatParseAsAWholeAreDelivered) {
    TestBlock block("spooler-");
    Receiver receiver;
    auto thread = std::make_unique<TClientWaitDataThread>(block.Name(), receiver.Window());
    block.Write("{\"m\":\"A\"}");
    ASSERT_TRUE(receiver.WaitFor(1));
    for (const char* torn : {
             "{\"UID\":\"host\",\"PDFFileName\":\"/t.pdf\",!!! not JSON }",
             "{\"UID\":\"host\",\"Response\":\"{}\",\"PDFFileName\":\"/t.p",
             "{\"UID\":\"host\",\"PDFFileName\" \"/t.pdf\"}",
         }) {
        block.Write(torn);
        EXPECT_TRUE(receiver.NothingMoreAfter(1)) << torn << " gave " << receiver.texts.back();
    }
    thread->Terminate();
    thread->WaitFor();
    thread.reset();
    EXPECT_TRUE(receiver.NothingMoreAfter(1)) << receiver.texts.back();
}

TEST(WaitDataThread, LooksAtNoMoreThanAMessageOfAHugeBlock) {
    constexpr std::size_t kHuge = 64u << 20;
    TestBlock block("varnel-", kHuge);
    {
        auto view =
            platform::SharedMemoryBlock::Open(block.Name(), platform::BlockAccess::ReadWrite);
        ASSERT_TRUE(view);
        std::memset(view->WritableData(), '{', kHuge);
    }
    std::string text;
    EXPECT_FALSE(ReadMMF(block.Name(), text));
    block.Write("{\"m\":\"A\"}");
    ASSERT_TRUE(ReadMMF(block.Name(), text));
    EXPECT_EQ(text, "{\"m\":\"A\"}");
}

// The thread writes a queued keep-alive only right after a poll that found nothing new, so a
// host message that arrived just before is delivered first and never replaced unseen.
TEST(WaitDataThread, AQueuedKeepAliveWaitsForTheHostsUnreadMessage) {
    TestBlock block("varnel-");
    Receiver receiver;
    TClientWaitDataThread thread(block.Name(), receiver.Window());
    const std::string keepAlive = "{\"UID\":\"module\",\"Infinite\":true}";
    for (int round = 0; round < 20; ++round) {
        std::string message = "{\"UID\":\"host\",\"n\":" + std::to_string(round) + "}";
        block.Write(message);
        thread.QueueKeepAlive(keepAlive);
        ASSERT_TRUE(platform::DispatchMessagesUntil(
            [&] { return !thread.KeepAliveQueued() && block.Text() == keepAlive; }, kPatienceMs))
            << round;
        ASSERT_TRUE(platform::DispatchMessagesUntil(
            [&] {
                return std::find(receiver.texts.begin(), receiver.texts.end(), message) !=
                       receiver.texts.end();
            },
            kPatienceMs))
            << "host message of round " << round << " was lost";
    }
}

TEST(WaitDataThread, ADroppedKeepAliveIsNeverWritten) {
    TestBlock block("varnel-");
    Receiver receiver;
    TClientWaitDataThread thread(block.Name(), receiver.Window());
    block.Write("{\"final\":1}");
    ASSERT_TRUE(receiver.WaitFor(1));
    thread.QueueKeepAlive("{\"Infinite\":true}");
    thread.DropKeepAlive();
    EXPECT_TRUE(receiver.NothingMoreAfter(1));
    EXPECT_EQ(block.Text(), "{\"final\":1}");
}

TEST(WaitDataThread, TextsForAGoneWindowAreFreed) {
    TestBlock block("varnel-");
    auto receiver = std::make_unique<Receiver>();
    TClientWaitDataThread thread(block.Name(), receiver->Window());
    block.Write("{\"m\":\"lost\"}");
    // Give the thread time to post; the text must not leak when the window goes first.
    platform::PumpWait(200);
    receiver.reset();
    thread.Terminate();
    thread.WaitFor();
}

TEST(WaitDataThread, StopsPromptlyOnRequest) {
    TestBlock block("varnel-");
    Receiver receiver;
    TClientWaitDataThread thread(block.Name(), receiver.Window());
    auto start = std::chrono::steady_clock::now();
    thread.Terminate();
    thread.WaitFor();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(thread.ChannelName(), block.Name());
}

}  // namespace
}  // namespace foldant
